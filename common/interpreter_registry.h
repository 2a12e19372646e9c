// The few registry reads interpreter discovery makes, all on
// HKEY_LOCAL_MACHINE and all quiet: what cannot be read is empty.
#pragma once

#include <string>
#include <vector>

namespace vellora {

// Whether the key can be opened for reading.
bool MachineKeyPresent(const std::string& key);
// A string value cut to the 780-character buffer; empty when unreadable.
std::string ReadMachineString(const std::string& key, const std::string& name);
// The key's subkey names in index order, up to the first failing index;
// each name is cut to the 255-character enumeration buffer.
std::vector<std::string> MachineSubkeys(const std::string& key);

}  // namespace vellora
