// The list-box handles on live list boxes: adding, selecting and deleting by
// exact text, whole texts of any length, the selection of a multiple-
// selection box read into the object, and indexes that do not exist.
#include "ui/framework/GListBox.h"

#include <gtest/gtest.h>

#include <string>

#include "support/ListControlFixture.h"
#include "w32test/Testing.h"

namespace listcontrols {
namespace {

using GListBoxTest = ListControlTest;

TEST_F(GListBoxTest, ItemsAreSelectedAndDeletedByExactText) {
  WithDialog([](HWND dialog) {
    GListBox list(dialog, kList);
    const std::u16string longName(2500, u'q');
    EXPECT_EQ(list.AddStringWithData(RWWString(u"Tray 1"), 257), 0);
    EXPECT_EQ(list.AddString(RWWString(u"tray 2")), 1);
    EXPECT_EQ(list.AddString(RWWString(longName.c_str())), 2);
    EXPECT_EQ(list.AddString(RWWString(u"Tray 2")), 3);

    EXPECT_EQ(list.SelectByText(RWWString(u"Tray 2")), 1);
    EXPECT_EQ(list.GetCurSel(), 3);
    EXPECT_EQ(list.SelectByText(RWWString(u"Tray")), 0);
    EXPECT_EQ(list.GetCurSel(), 3);
    EXPECT_EQ(list.SelectByText(RWWString(longName.c_str())), 1);
    RWCString text;
    EXPECT_EQ(list.GetSelectedText(&text), 1);
    EXPECT_EQ(text.Length(), 2500u);

    EXPECT_EQ(list.DeleteByText(RWWString(u"tray 2")), 1);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetCurSel(), 1) << "the selection moves with its item";
    EXPECT_EQ(list.DeleteByText(RWWString(u"tray 2")), 0);

    // Indexes the box lacks.
    EXPECT_EQ(list.DeleteString(3), -1);
    EXPECT_EQ(list.DeleteString(-1), -1);
    EXPECT_EQ(list.SetItemData(9, 1), -1);
    EXPECT_EQ(list.SetCurSel(9), -1);
    RWCString untouched("kept");
    EXPECT_EQ(list.GetSelectedText(&untouched), 0);
    EXPECT_EQ(untouched, "kept");
    list.ResetContent();
    EXPECT_EQ(list.GetCount(), 0);
  });
  const w32test::ControlState shown = w32test::DialogRuns().back().controls.at(kList);
  EXPECT_TRUE(shown.items.empty());
}

TEST_F(GListBoxTest, TheSelectionOfAMultipleSelectionBoxIsReadIntoTheObject) {
  WithDialog([](HWND dialog) {
    GMultiSelectListBox multi(dialog, kMulti);
    for (const char16_t* name : {u"Arial", u"Courier", u"Garamond", u"Helvetica", u"Times"})
      multi.AddString(RWWString(name));
    EXPECT_EQ(multi.GetSelectedItems(), 0);
    EXPECT_EQ(multi.GetSelectedIndex(0), -1);

    for (int i : {1, 3, 4}) SendDlgItemMessageW(dialog, kMulti, LB_SETSEL, TRUE, i);
    EXPECT_EQ(multi.GetSelectedItems(), 3);
    EXPECT_EQ(multi.GetSelectedIndex(0), 1);
    EXPECT_EQ(multi.GetSelectedIndex(2), 4);
    EXPECT_EQ(multi.GetSelectedIndex(3), -1);
    EXPECT_EQ(multi.GetSelectedIndex(-1), -1);
    RWWString text;
    EXPECT_EQ(multi.GetItemText(multi.GetSelectedIndex(1), &text), 1);
    EXPECT_EQ(std::u16string(text.Data(), text.Length()), u"Helvetica");
    EXPECT_EQ(multi.GetItemText(5, &text), 0);

    // Fewer selected: the array follows the count.
    SendDlgItemMessageW(dialog, kMulti, LB_SETSEL, FALSE, 1);
    SendDlgItemMessageW(dialog, kMulti, LB_SETSEL, FALSE, 4);
    EXPECT_EQ(multi.GetSelectedItems(), 1);
    EXPECT_EQ(multi.GetSelectedIndex(0), 3);
    EXPECT_EQ(multi.GetSelectedIndex(1), -1);

    // A single-selection box has no selection list.
    GMultiSelectListBox single(dialog, kList);
    single.AddString(RWWString(u"One"));
    single.SetCurSel(0);
    EXPECT_EQ(single.GetSelectedItems(), 0);
  });
}

}  // namespace
}  // namespace listcontrols
