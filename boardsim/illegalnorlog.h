// illegalnorlog.h - the record of operations that broke a NOR flash rule:
// a count in board.ini (illegal_nor_ops) and one line each in
// illegal_nor.log, so a test can check after a run that nothing illegal was
// asked of the flash, and a person can see what was.
#pragma once

#include "simboard.h"

#include <string>

namespace simboard {

// Counts one illegal operation in `config` (saved to the folder) and appends
// `text` to the log. The operation itself still goes ahead as a real part
// would take it.
bool RecordIllegalNorOp(const std::string& dir, BoardConfig& config, const std::string& text);

} // namespace simboard
