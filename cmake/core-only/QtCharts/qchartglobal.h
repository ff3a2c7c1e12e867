// Found before Qt's own header of this name by every logic library: those link Qt Core only.
#error "A logic library includes QtCharts: move the widget code into the module's widgets library."
