// Builds the shared in-memory dataset of the data-access tests into this
// test program, for the record-source tests.
#include "tests/platform/vcl/db/memdataset.cpp"
