// The drawing and the widgets.
