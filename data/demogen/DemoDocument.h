// The scripting reference the map editor's Help opens: a one-page word-processing document (.docx) listing the
// script language's rules and command words, written as a zip of its XML parts.
#pragma once

#include <string>
#include <utility>
#include <vector>

// A zip archive holding the entries as they are (stored, no compression), with a fixed time stamp so that the same
// entries give the same bytes.
std::string StoredZip(const std::vector<std::pair<std::string, std::string>>& entries);

// The bytes of "scripting_ref.docx".
std::string ScriptingReference();
