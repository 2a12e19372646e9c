#include "tools/vlutil/permissions.h"

namespace vlutil {

bool parsePermissionDigits(const std::string& digits, Permissions* permissions) {
  if (digits.size() != 8) return false;
  bool* slots[8] = {&permissions->print,         &permissions->modifyContent,
                    &permissions->copy,          &permissions->annotate,
                    &permissions->fillIn,        &permissions->screenReading,
                    &permissions->assembly,      &permissions->degradedPrint};
  for (int i = 0; i < 8; ++i) {
    if (digits[i] != '0' && digits[i] != '1') return false;
    *slots[i] = digits[i] == '1';
  }
  return true;
}

qpdf_r3_print_e r3Printing(const Permissions& permissions) {
  if (permissions.print) return qpdf_r3p_full;
  if (permissions.degradedPrint) return qpdf_r3p_low;
  return qpdf_r3p_none;
}

bool restrictsAnything(const Permissions& p, bool rc4With128Bits) {
  bool firstFour = p.print && p.modifyContent && p.copy && p.annotate;
  if (!rc4With128Bits) return !firstFour;
  return !(firstFour && p.fillIn && p.screenReading && p.assembly);
}

}  // namespace vlutil
