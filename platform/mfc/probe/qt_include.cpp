// Never built into anything: the layering test compiles it with the portable core's settings and
// expects the failure that keeps Qt out of the core.
#include <QWidget>
