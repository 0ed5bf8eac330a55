// The module libqvui.so. Its code lives in the folder libraries, which are
// linked in whole; the exported entry points are declared extern "C" with
// default visibility where they are defined.
