// Builds the shared in-memory dataset of the data-access tests into this
// test program, for the name-resolution tests.
#include "tests/platform/vcl/db/memdataset.cpp"
