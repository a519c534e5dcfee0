// The in-memory dataset of the data-access tests, built into this test
// program too: the data-aware controls are tested over it.
#include "tests/platform/vcl/db/memdataset.cpp"
