// The Qt Multimedia services.
