// The implementation of the icbc anchor for dxt_bench (rgbcx brings its own
// .cpp). Built only into the benchmark, from the folder named by
// K4_ANCHORS_DIR.
#define ICBC_IMPLEMENTATION
#include "icbc.h"
