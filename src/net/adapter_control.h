#pragma once
// The subsystem's state: the adapter list of the latest enumeration, owned by
// one object that the composition root builds and hands to whoever needs it.
// The platform ports are borrowed and must outlive it.
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
    // `log` gets each command and its exit code; the program's log, in the product.
    AdapterControl(AdapterApi& api, ProcessRunner& runner, CommandLog log = {})
        : api_(api), runner_(runner), log_(std::move(log)) {}

    // Frees the previous list and rebuilds it; returns the new element count.
    int Enumerate() { return EnumerateAdapters(api_, adapters_); }

    // By position, in enumeration order; empty until the first enumeration.
    const std::vector<AdapterInfo>& Adapters() const { return adapters_; }

    // True when the command reported success.
    bool SetAdminState(std::string_view connectionName, bool enable) {
        return SetAdapterAdminState(runner_, connectionName, enable, log_);
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
