// The catalogue as one JSON document: what tools/interface_files writes to
// docs/catalogue.json and what `lumicall list --json` prints. Its schema is
// described in docs/catalogue-json.md.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "catalogue/catalogue.h"

namespace lumi {

// `version` is the library's version ("1.2.0"), from the project's.
std::string CatalogueJson(std::span<const ExportEntry> rows, std::string_view version);

}  // namespace lumi
