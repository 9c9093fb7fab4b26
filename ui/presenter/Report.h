// The report of a comparison: its lines, as the report window shows them.
#pragma once

namespace dm {

class TDM;
class dirCompare;

// Fills the report lines of the last run and whether the folders are identical.
void fillReport(TDM& dm, const dirCompare& comp);

}  // namespace dm
