#include "probes/driver_table.h"

#include "platform/text.h"
#include "probes/system_paths.h"

void ParameterKeyPath(const AdapterDriver& driver, char16_t (&path)[260]) {
  const DriverRegistry& registry = driver.registry;
  const char16_t* serviceKey = registry.serviceKey;
  if (registry.nt4ServiceKey != nullptr && GetOsVersionCode() == 4) serviceKey = registry.nt4ServiceKey;
  text::Format(path, u"SYSTEM\\CurrentControlSet\\Services\\%s\\Parameters\\Device\\", serviceKey);
}
