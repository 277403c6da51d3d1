// Shadows Qt's own header for the sources of core libraries: a core library
// works without a display, so reaching for QtGui is a build error.
#error "core libraries must not use QtGui: move this code to the window library"
