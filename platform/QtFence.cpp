// Compiled into every library of the programs outside platform/, with that library's own flags:
// only platform/ includes Qt, and the build stops where a Qt header can be reached from there
// (platform's libraries link Qt privately, so their users do not get Qt's include folders).
#if __has_include(<QtCore/QString>) || __has_include(<QString>) || __has_include(<QWidget>)
#error "Qt headers are reachable outside platform/: link Qt privately in the platform libraries"
#endif
