#include <stdlib.h>

namespace {

// Set before main; a record file the caller chose already is kept.
[[maybe_unused]] const int RecordsSet = ::setenv("ZE50321_RECORDS", ZE_TEST_RECORDS, 0);

} // namespace
