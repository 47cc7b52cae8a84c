// The generated server's registry: the adapter drivers' service keys with
// their parameters, the made-up services (with Enum, Parameters and Security
// subkeys as real ones have), a device-class key for every OEM INF, the
// LastKnownGood control set, and SOFTWARE's version and uninstall keys.
#pragma once

#include "bench/gen/server_plan.h"
#include "tools/lib/registry_content.h"

namespace bench {

enum class RegistryFor {
  Image,  // the offline image: everything
  Wine,   // import into a Wine prefix: CurrentControlSet only, no device-class
          // keys, every service disabled so that Wine's service manager leaves
          // them alone
};

void FillRegistry(const ServerPlan& plan, const ServerOptions& options, RegistryFor target,
                  tools::RegistryContent* out);

}  // namespace bench
