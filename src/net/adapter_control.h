#pragma once
// The subsystem's state: the adapter list of the latest enumeration, owned by
// one object that the composition root builds and hands to whoever needs it.
// The platform ports are borrowed and must outlive it. The enumeration runs on
// the caller's thread; a command may run on a worker of its own (see
// AdminStateCall).
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/adapter_api.h"
#include "net/adapter_info.h"
#include "net/adapters.h"
#include "net/admin_state.h"

namespace xl::net {

class AdapterControl {
  public:
    // `log` gets each command and its exit code; the program's log, in the
    // product. It may be called from a command's worker, so it must not use
    // anything that can go before the process ends.
    AdapterControl(AdapterApi& api, ProcessRunner& runner, CommandLog log = {})
        : api_(api), runner_(runner), log_(std::move(log)) {}

    // Frees the previous list and rebuilds it; returns the new element count.
    int Enumerate() { return EnumerateAdapters(api_, adapters_); }

    // By position, in enumeration order; empty until the first enumeration.
    const std::vector<AdapterInfo>& Adapters() const { return adapters_; }

    // True when the command reported success.
    bool SetAdminState(std::string_view connectionName, bool enable) {
        return AdminStateCall(connectionName, enable)();
    }
    // The same command as a call that holds copies of all it uses besides the
    // runner, so it can run on a worker that outlives this object.
    std::function<bool()> AdminStateCall(std::string_view connectionName, bool enable) const {
        return [&runner = runner_, log = log_, name = std::string(connectionName), enable] {
            return SetAdapterAdminState(runner, name, enable, log);
        };
    }
    // Whether the commands have the rights they need.
    bool MayChangeAdapters() const { return runner_.RunsElevated(); }

  private:
    AdapterApi& api_;
    ProcessRunner& runner_;
    CommandLog log_;
    std::vector<AdapterInfo> adapters_;
};

}  // namespace xl::net
