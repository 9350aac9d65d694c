// report.csv and report.html of the fleet report.
#pragma once
#include <string>

#include "fleet.h"

// UTF-8 with a byte-order mark, CR LF, every field quoted (RFC 4180).
std::string FleetCsv(const CFleet& fleet);

// One self-contained page (no network, no other file): the counts, the
// failures by item and code, and the table of PCs.
std::string FleetHtml(const CFleet& fleet, const std::wstring& createdAt);

// The text as UTF-8.
std::string Utf8(const std::wstring& text);
