// Builds the shared in-memory dataset of the data-access tests into this
// test program, for the templates whose record sources read a dataset.
#include "tests/platform/vcl/db/memdataset.cpp"
