// The catalogue as one JSON document: what tools/interface_files writes to
// docs/catalogue.json and what `lumicall list --json` prints. Its schema is
// described in docs/catalogue-json.md.
#pragma once

#include <span>
#include <string>

#include "catalogue/catalogue.h"

namespace lumi {

std::string CatalogueJson(std::span<const ExportEntry> rows);

}  // namespace lumi
