#include "ports/ui/list_view.hpp"

#include <gtest/gtest.h>

#include "support/error.hpp"

using kv::ui::ListItem;
using kv::ui::ListView;
using kv::ui::SortOrder;

namespace {

void SetUpJobs(ListView& jobs) {
    jobs.Move(2880, 720, 4935, 5295);
    jobs.AddColumn("JobNr", 900);
    jobs.AddColumn("Jobnavn", 3800);
}

ListItem& AddJob(ListView& jobs, int id, const std::string& name) {
    ListItem& item = jobs.Add("J" + std::to_string(id), std::to_string(id));
    item.SetSubItem(1, name);
    item.SetTag(kv::Value(std::int32_t{id}));
    item.SetToolTipText(std::to_string(id) + " " + name);
    return item;
}

std::vector<std::string> Texts(const ListView& list, int column = 0) {
    std::vector<std::string> out;
    for (const ListItem* item : list.Items()) out.push_back(item->ColumnText(column));
    return out;
}

}  // namespace

TEST(ListView, FindsItemsByKeyAndRefusesDuplicateKeys) {
    ListView jobs("lstvJobs");
    SetUpJobs(jobs);
    AddJob(jobs, 7, "Tilbud");
    AddJob(jobs, 12, "Kampagne");
    ASSERT_NE(jobs.Find("J12"), nullptr);
    EXPECT_EQ(jobs.Find("J12")->SubItem(1), "Kampagne");
    EXPECT_EQ(jobs.Find("J12")->Tag(), kv::Value(std::int32_t{12}));
    EXPECT_EQ(jobs.Find("J99"), nullptr);
    EXPECT_EQ(jobs.Find(""), nullptr);
    EXPECT_THROW(jobs.Item("J99"), kv::Error);
    try {
        jobs.Add("J7", "again");
        FAIL() << "a duplicate key was taken";
    } catch (const kv::Error& e) {
        EXPECT_EQ(e.Number(), kv::ui::uierr::KeyNotUnique);
    }
    EXPECT_EQ(jobs.Count(), 2);
    // Items without a key are fine, any number of them.
    jobs.Add("", "a");
    jobs.Add("", "b");
    EXPECT_EQ(jobs.Count(), 4);
}

TEST(ListView, SubItemsAndColumnClicksMustNameAColumn) {
    ListView jobs("lstvJobs");
    SetUpJobs(jobs);
    ListItem& item = AddJob(jobs, 1, "x");
    EXPECT_THROW(item.SetSubItem(2, "no third column"), kv::Error);
    EXPECT_THROW(jobs.UserClickColumn(3), kv::Error);
    EXPECT_THROW(item.SubItem(0), kv::Error);
    EXPECT_EQ(jobs.Add("J2", "2").SubItem(1), "");
}

TEST(ListView, SelectingByCodeRaisesNothingButAUserClickDoes) {
    ListView jobs("lstvJobs");
    SetUpJobs(jobs);
    ListItem& a = AddJob(jobs, 1, "a");
    ListItem& b = AddJob(jobs, 2, "b");
    std::vector<std::string> clicked;
    jobs.ItemClick.Subscribe([&](ListItem& item) { clicked.push_back(item.Key()); });
    jobs.SetSelectedItem(&a);
    EXPECT_TRUE(a.Selected());
    EXPECT_TRUE(clicked.empty());
    jobs.SetSelectedItem(nullptr);
    EXPECT_EQ(jobs.SelectedItem(), nullptr);
    ListView other("other");
    EXPECT_THROW(jobs.SetSelectedItem(&other.Add("J1", "1")), kv::Error);
    EXPECT_TRUE(jobs.UserClickItem(b));
    EXPECT_EQ(jobs.SelectedItem(), &b);
    EXPECT_EQ(clicked, std::vector<std::string>{"J2"});
    jobs.SetVisible(false);
    EXPECT_FALSE(jobs.UserClickItem(a));
    EXPECT_EQ(clicked.size(), 1u);
}

TEST(ListView, ClearEmptiesItemsKeysAndSelection) {
    ListView jobs("lstvJobs");
    SetUpJobs(jobs);
    jobs.SetSelectedItem(&AddJob(jobs, 1, "a"));
    jobs.Clear();
    EXPECT_EQ(jobs.Count(), 0);
    EXPECT_EQ(jobs.SelectedItem(), nullptr);
    EXPECT_EQ(jobs.Find("J1"), nullptr);
    EXPECT_NO_THROW(AddJob(jobs, 1, "again"));
}

TEST(ListView, SortsByColumnTextBothWays) {
    ListView jobs("lstvJobs");
    SetUpJobs(jobs);
    AddJob(jobs, 99, "beta");
    AddJob(jobs, 100, "Alfa");
    AddJob(jobs, 5, "Ærø");
    AddJob(jobs, 1000, "alfa");
    EXPECT_EQ(Texts(jobs), (std::vector<std::string>{"99", "100", "5", "1000"}));  // as added until sorted

    jobs.SetSortKey(0);
    jobs.SetSortOrder(SortOrder::Ascending);
    jobs.SetSorted(true);
    EXPECT_EQ(Texts(jobs), (std::vector<std::string>{"100", "1000", "5", "99"}));  // text, not number
    EXPECT_EQ(jobs.Find("J99")->Index(), 4);

    jobs.SetSortOrder(SortOrder::Descending);
    EXPECT_EQ(jobs.Find("J99")->Index(), 1);
    EXPECT_EQ(Texts(jobs), (std::vector<std::string>{"99", "5", "1000", "100"}));

    jobs.SetSortKey(1);
    jobs.SetSortOrder(SortOrder::Ascending);
    // Case is ignored (equal texts keep their order); Æ comes after z.
    EXPECT_EQ(Texts(jobs, 1), (std::vector<std::string>{"alfa", "Alfa", "beta", "Ærø"}));
    jobs.SetSortKey(2);  // past the last column: no text to sort by
    EXPECT_EQ(Texts(jobs, 1), (std::vector<std::string>{"alfa", "Alfa", "beta", "Ærø"}));
}

TEST(ListView, KeepsSortedOrderWhenItemsAreAddedOrChanged) {
    ListView jobs("lstvJobs");
    SetUpJobs(jobs);
    jobs.SetSorted(true);
    AddJob(jobs, 30, "c");
    AddJob(jobs, 10, "a");
    EXPECT_EQ(Texts(jobs), (std::vector<std::string>{"10", "30"}));
    jobs.Find("J10")->SetText("40");
    EXPECT_EQ(Texts(jobs), (std::vector<std::string>{"30", "40"}));
    // Sorting off keeps the order the list shows; later items go last.
    jobs.SetSorted(false);
    AddJob(jobs, 20, "b");
    EXPECT_EQ(Texts(jobs), (std::vector<std::string>{"30", "40", "20"}));
}

TEST(ListView, CompareTextIgnoresCaseAndPutsDanishLettersLast) {
    EXPECT_LT(ListView::CompareText("100", "99"), 0);
    EXPECT_EQ(ListView::CompareText("ABC", "abc"), 0);
    EXPECT_EQ(ListView::CompareText("ÆØÅÉ", "æøåé"), 0);
    EXPECT_EQ(ListView::CompareText("ĀĹŁŇŊŹŽŸ", "āĺłňŋźžÿ"), 0);
    EXPECT_LT(ListView::CompareText("zebra", "æble"), 0);
    EXPECT_LT(ListView::CompareText("æble", "ørred"), 0);
    EXPECT_LT(ListView::CompareText("ørred", "Åen"), 0);
    EXPECT_LT(ListView::CompareText("", "a"), 0);
    EXPECT_LT(ListView::CompareText("\uFFFD", "😀"), 0) << "a character beyond the first 64K sorts by its code point";
}

TEST(ListView, HitTestMapsRowsToItemsBelowTheHeader) {
    ListView jobs("lstvJobs");
    SetUpJobs(jobs);
    jobs.SetHeaderHeight(300);
    jobs.SetRowHeight(250);
    for (int id = 1; id <= 3; ++id) AddJob(jobs, id, "job");
    EXPECT_EQ(jobs.HitTest(100, 100), nullptr);  // header
    EXPECT_EQ(jobs.HitTest(100, 300), jobs.Find("J1"));
    EXPECT_EQ(jobs.HitTest(100, 549), jobs.Find("J1"));
    EXPECT_EQ(jobs.HitTest(100, 550), jobs.Find("J2"));
    EXPECT_EQ(jobs.HitTest(100, 300 + 3 * 250), nullptr);  // empty space below the items
    EXPECT_EQ(jobs.HitTest(-1, 400), nullptr);
    EXPECT_EQ(jobs.HitTest(4935, 400), nullptr);
    // After sorting the rows show other items.
    jobs.SetSortOrder(SortOrder::Descending);
    jobs.SetSorted(true);
    EXPECT_EQ(jobs.HitTest(100, 300), jobs.Find("J3"));
}

TEST(ListView, AViewShowingTheListAnswersHitTest) {
    ListView jobs("lstvJobs");
    SetUpJobs(jobs);
    for (int id = 1; id <= 3; ++id) AddJob(jobs, id, "job");
    std::vector<std::pair<double, double>> asked;
    jobs.SetHitTester([&](double x, double y) {
        asked.emplace_back(x, y);
        return jobs.Find("J3");  // the window has scrolled, say
    });
    EXPECT_EQ(jobs.HitTest(100, 300), jobs.Find("J3"));
    EXPECT_EQ(asked, (std::vector<std::pair<double, double>>{{100, 300}}));
    jobs.SetHitTester({});
    EXPECT_EQ(jobs.HitTest(100, 300), jobs.Find("J1")) << "without a view, the model's rows";
}

TEST(ListView, EnsureVisibleScrollsSoHitTestSeesTheItem) {
    ListView jobs("lstvJobs");
    SetUpJobs(jobs);
    for (int id = 1; id <= 100; ++id) AddJob(jobs, id, "job");
    ListItem& last = *jobs.Find("J100");
    EXPECT_FALSE(jobs.IsScrolledIntoView(last));
    last.EnsureVisible();
    const int top = jobs.TopIndex();
    jobs.Find("J90")->EnsureVisible();
    EXPECT_EQ(jobs.TopIndex(), top) << "already in view";
    EXPECT_TRUE(jobs.IsScrolledIntoView(last));
    EXPECT_FALSE(jobs.IsScrolledIntoView(*jobs.Find("J1")));
    // The first row shown is in view, the one above it not.
    EXPECT_TRUE(jobs.IsScrolledIntoView(*jobs.Find("J" + std::to_string(top + 1))));
    EXPECT_FALSE(jobs.IsScrolledIntoView(*jobs.Find("J" + std::to_string(top))));
    const int lastRowY = jobs.HeaderHeight() + (jobs.VisibleRows() - 1) * jobs.RowHeight();
    EXPECT_EQ(jobs.HitTest(10, lastRowY), &last);
    jobs.Find("J1")->EnsureVisible();
    EXPECT_EQ(jobs.TopIndex(), 0);
    // The last row shown is in view, the one below it not.
    EXPECT_TRUE(jobs.IsScrolledIntoView(*jobs.Find("J" + std::to_string(jobs.VisibleRows()))));
    EXPECT_FALSE(jobs.IsScrolledIntoView(*jobs.Find("J" + std::to_string(jobs.VisibleRows() + 1))));
    EXPECT_EQ(jobs.HitTest(10, jobs.Height()), nullptr) << "below the window, though items follow";
}

TEST(ListView, SmallIconsMustBeInTheImageList) {
    kv::ui::ImageList images("kvImages");
    images.Add("job");
    EXPECT_THROW(images.Add(""), kv::Error);
    EXPECT_THROW(images.SetImageSize(16, 0), kv::Error);
    ListView jobs("lstvJobs");
    SetUpJobs(jobs);
    jobs.SetSmallIcons(&images);
    ListItem& item = AddJob(jobs, 1, "a");
    item.SetSmallIcon("job");
    EXPECT_EQ(item.SmallIcon(), "job");
    EXPECT_THROW(item.SetSmallIcon("folc"), kv::Error);
}
