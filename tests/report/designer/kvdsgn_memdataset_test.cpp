// Builds the shared in-memory dataset of the data-access tests into this
// test program, for the wizard's fields of kinds the stock table lacks.
#include "tests/platform/vcl/db/memdataset.cpp"
