#pragma once
// Appointments (.ics) and contacts (.vcf): the store reads only what an item
// shows in a folder list.
#include <cstdint>
#include <string>

namespace kv::mailstore {

struct CardData {
    std::string subject;  // SUMMARY of the first event, FN of the contact
};

// Content lines are unfolded; escaped characters in values are decoded.
CardData ParseCalendar(const std::string& raw);
CardData ParseContact(const std::string& raw);

}  // namespace kv::mailstore
