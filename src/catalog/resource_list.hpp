#pragma once
// The resources a user may file into: active resources with a document
// folder, of one type or of the listed types, companies and customers only
// where the user has access.
#include <array>
#include <cstdint>
#include <string>

namespace kv::catalog {

// The resource type filter's items; an item's position is its type number
// (0: every listed type).
inline constexpr std::array<const char*, 9> kResourceTypeNames = {
    "<Alle>",       "Selskaber", "Personale",        "Kunder og Internt", "Leverandører", "Generelle kontakter",
    "Zentra emner", "Teknik",    "Medievirksomheder"};

// Resource type of customers, the only type with jobs.
inline constexpr std::int32_t kCustomerType = 3;

// The statement for type filter ressType (0: every listed type), with
// RessID, RessNavn and RessTypeID.
std::string ResourceListQuery(std::int32_t ressType, std::int32_t userRessId);

}  // namespace kv::catalog
