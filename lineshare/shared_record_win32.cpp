// The record in the DLL's data section ".shared", which the section flag
// makes one for every process that loads LineTap.dll; it holds its
// initial values again once no process has the DLL loaded. (A SECTIONS line
// in the .def file would not set the flag with the GNU linker.)
#include "lineshare/shared_line_record.h"

namespace linetap {
namespace {

SharedLineRecord shared_record __attribute__((section(".shared"), shared)) = kInitialRecord;

}  // namespace

SharedLineRecord& SharedRecord() { return shared_record; }

}  // namespace linetap
