// The lists compiled into the library: one model, its port monitor, tray,
// ribbon, sub-ribbon and ribbon option. Their texts belong to the process.
#pragma once

#include <span>

#include "dcl/model/entries.h"

namespace trv::dcl {

struct BuiltInTables {
  std::span<const ModelEntry> models;
  std::span<const MonitorEntry> monitors;
  std::span<const TrayEntry> trays;
  std::span<const RibbonEntry> ribbons;
  std::span<const SubRibbonEntry> subRibbons;
  std::span<const RibbonOptionEntry> ribbonOptions;
  std::span<const SubOptionEntry> subOptions;
};

const BuiltInTables& BuiltIns();

}  // namespace trv::dcl
