// The fixed names of the run's work files in the temporary folder.
#pragma once

#include <string_view>

namespace kasumido {

// The listing page being analysed, written by the download plan.
inline constexpr std::string_view kListingWorkFile = "GetKasumido.html";
// The detail page being analysed, written by the listing analysis for each link.
inline constexpr std::string_view kDetailWorkFile = "GetKasumido2.html";

}  // namespace kasumido
