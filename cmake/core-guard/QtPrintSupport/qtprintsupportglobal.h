// Shadows Qt's own header for the sources of core libraries: a core library
// works without a display, so reaching for QtPrintSupport is a build error.
#error "core libraries must not use QtPrintSupport: move this code to the window library"
