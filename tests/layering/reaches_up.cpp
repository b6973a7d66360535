// Built only by the layering check, which expects it to fail: the common
// layer cannot see the analysis layer above it.
#include "analysis/extraction.h"
