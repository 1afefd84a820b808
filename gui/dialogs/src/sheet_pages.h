#pragma once
// The pages of the selection sheet, in the sheet's order: "   FX" (102),
// "Options" (103), "Filter Options" (113, filter mode only), "Objects"
// (104), "Settings" (114); one entry each in the table of sheet_pages.cpp.

#include <memory>
#include <vector>

namespace kdr::gui {

class OptionPage;
class SelectionSession;

std::vector<std::unique_ptr<OptionPage>> make_sheet_pages(SelectionSession& session);

}  // namespace kdr::gui
