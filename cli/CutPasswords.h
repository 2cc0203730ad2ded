// An import that cuts a long password to its field keeps the full text in the comments as a
// "Password: ..." line. That line is a password like the field: it is masked wherever the
// password is, and a search never matches it.
#pragma once

#include <string>
#include <string_view>

// Comments with the text of every such line replaced by "*" (one per character).
std::string MaskCutPasswords(std::string_view Comments);
// Comments without those lines (what a search may look at).
std::string WithoutCutPasswords(std::string_view Comments);
// The comments as shown: as stored when ShowPasswords, else masked.
std::string ShownComments(std::string_view Comments, bool ShowPasswords);
