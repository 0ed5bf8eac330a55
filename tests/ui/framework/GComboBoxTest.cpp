// The combo-box handle on a live combo box: items with data, selection by
// data and by exact text, whole texts of any length, the edit field, the
// drop-down width, and indexes or controls that do not exist.
#include "ui/framework/GComboBox.h"

#include <gtest/gtest.h>

#include <string>

#include "support/ListControlFixture.h"
#include "win32/Window.h"
#include "w32test/Testing.h"

namespace listcontrols {
namespace {

using GComboBoxTest = ListControlTest;

TEST_F(GComboBoxTest, ItemsWithDataAreSelectedByData) {
  WithDialog([](HWND dialog) {
    GComboBox combo;
    combo.Attach(dialog, kCombo);
    EXPECT_EQ(combo.AddStringWithData(RWWString(u"Letter"), 1), 0);
    EXPECT_EQ(combo.AddStringWithData(RWWString(u"Legal"), 5), 1);
    EXPECT_EQ(combo.AddStringWithData(RWWString(u"A4"), 9), 2);
    EXPECT_EQ(combo.GetCount(), 3);
    EXPECT_EQ(combo.GetSelectedItemData(), -1) << "nothing selected yet";

    EXPECT_EQ(combo.SelectByItemData(5), 1);
    EXPECT_EQ(combo.GetCurSel(), 1);
    EXPECT_EQ(combo.GetSelectedItemData(), 5);
    RWCString edit;
    EXPECT_EQ(combo.GetEditText(&edit), 1);
    EXPECT_EQ(edit, "Legal") << "the edit field shows the selection";

    // Data no item has leaves the selection alone.
    EXPECT_EQ(combo.SelectByItemData(77), 0);
    EXPECT_EQ(combo.GetCurSel(), 1);

    // Indexes the box lacks.
    EXPECT_EQ(combo.GetItemData(3), -1);
    EXPECT_EQ(combo.GetItemData(-1), -1);
    EXPECT_EQ(combo.SetItemData(3, 4), -1);
    EXPECT_EQ(combo.SetItemData(-2, 4), -1);
    EXPECT_EQ(combo.SetCurSel(8), -1);
    EXPECT_EQ(combo.GetCurSel(), -1) << "an index out of range clears the selection";
    RWCString selected("unchanged");
    EXPECT_EQ(combo.GetSelectedText(&selected), 0);
    EXPECT_EQ(selected, "unchanged");

    combo.ResetContent();
    EXPECT_EQ(combo.GetCount(), 0);
    EXPECT_EQ(combo.GetEditText(&edit), 0);
    EXPECT_EQ(edit, "");
  });
}

TEST_F(GComboBoxTest, TextsAreMatchedExactlyAndReadWhole) {
  WithDialog([](HWND dialog) {
    GComboBox combo(dialog, kCombo);
    // Longer than any buffer a caller would guess.
    const std::u16string longName(3000, u'x');
    combo.AddString(RWWString(u"Letter"));
    combo.AddString(RWWString(u"letter"));
    combo.AddString(RWWString(longName.c_str()));
    combo.AddString(RWWString(u"Caf\u00E9"));

    EXPECT_EQ(combo.SelectByText(RWCString("letter")), 1);
    EXPECT_EQ(combo.GetCurSel(), 1) << "case-sensitive";
    EXPECT_EQ(combo.SelectByText(RWCString("Lette")), 0);
    EXPECT_EQ(combo.GetCurSel(), 1);
    // Widened under the code page (1252): the narrow e-acute is U+00E9.
    EXPECT_EQ(combo.SelectByText(RWCString("Caf\xE9")), 1);
    EXPECT_EQ(combo.GetCurSel(), 3);
    RWCString narrow;
    EXPECT_EQ(combo.GetSelectedText(&narrow), 1);
    EXPECT_EQ(narrow, "Caf\xE9");

    EXPECT_EQ(combo.SelectByText(RWCString(std::string(3000, 'x').c_str())), 1);
    EXPECT_EQ(combo.GetCurSel(), 2);
    EXPECT_EQ(combo.GetSelectedText(&narrow), 1);
    EXPECT_EQ(narrow.Length(), 3000u);
    RWCString edit;
    EXPECT_EQ(combo.GetEditText(&edit), 1);
    EXPECT_EQ(edit.Length(), 3000u);
  });
}

TEST_F(GComboBoxTest, EditTextIsSetOnlyWhenItDiffers) {
  WithDialog([](HWND dialog) {
    GComboBox combo(dialog, kCombo);
    combo.LimitText(31);
    combo.SetEditText(RWWString(u"Custom"));
    const size_t calls = w32test::SetWindowTextCalls().size();
    combo.SetEditText(RWWString(u"Custom"));
    EXPECT_EQ(w32test::SetWindowTextCalls().size(), calls);
    combo.SetEditText(RWWString(u"Custom 2"));
    EXPECT_EQ(w32test::SetWindowTextCalls().size(), calls + 1);
    RWCString edit;
    EXPECT_EQ(combo.GetEditText(&edit), 1);
    EXPECT_EQ(edit, "Custom 2");
  });
  EXPECT_EQ(w32test::DialogRuns().back().controls.at(kCombo).limit, 31);
}

TEST_F(GComboBoxTest, TheDropDownIsAsWideAsTheWidestItem) {
  WithDialog([](HWND dialog) {
    GComboBox combo(dialog, kCombo);
    combo.AddString(RWWString(u"A5"));
    combo.AddString(RWWString(u"Executive 7.25 x 10.5 in"));
    combo.AddString(RWWString(u"Letter"));
    combo.FitDropDownWidth();
  });
  // Measured in the control's font: the dialog font, 11 units high, whose
  // characters the stand-in makes 6 units wide.
  EXPECT_EQ(w32test::DialogRuns().back().controls.at(kCombo).droppedWidth, 24 * 6);
}

TEST_F(GComboBoxTest, AMissingControlTakesNothingAndGivesNothing) {
  WithDialog([](HWND dialog) {
    GComboBox combo(dialog, kAbsent);
    EXPECT_EQ(combo.AddStringWithData(RWWString(u"Letter"), 1), -1);
    EXPECT_EQ(combo.GetCount(), 0);
    EXPECT_EQ(combo.SelectByText(RWCString("Letter")), 0);
    EXPECT_EQ(combo.SelectByItemData(0), 0);
    combo.FitDropDownWidth();
    RWCString edit("x");
    EXPECT_EQ(combo.GetEditText(&edit), 0);
    EXPECT_EQ(edit, "");
    GComboBox unattached;
    EXPECT_EQ(unattached.AddString(RWWString(u"Letter")), -1);
    EXPECT_EQ(unattached.GetSelectedItemData(), -1);
  });
}

}  // namespace
}  // namespace listcontrols
