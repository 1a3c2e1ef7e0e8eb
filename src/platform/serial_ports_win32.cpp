// SPDX-License-Identifier: Apache-2.0
#include <windows.h>

#include "platform/registry_key_win32.h"
#include "platform/serial_ports_win32.h"

namespace tagline::platform {

std::vector<std::string> EnumerateSerialPorts() {
  std::vector<std::string> names;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &opened) !=
      ERROR_SUCCESS) {
    return names;
  }
  const RegistryKey key(opened);
  for (DWORD index = 0;; ++index) {
    char name[200];
    BYTE data[260];
    DWORD nameLength = sizeof name;
    DWORD dataLength = sizeof data;
    DWORD type = 0;
    const LONG status =
        RegEnumValueA(key.get(), index, name, &nameLength, nullptr, &type, data, &dataLength);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS || type != REG_SZ) continue;
    std::string port;
    for (DWORD i = 0; i < dataLength; ++i) {
      if (data[i] != 0) port += static_cast<char>(data[i]);
    }
    names.push_back(port);
  }
  return names;
}

}  // namespace tagline::platform
