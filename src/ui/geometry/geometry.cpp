// Geometry of the window.
