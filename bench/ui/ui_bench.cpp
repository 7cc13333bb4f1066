// The lists of the import dialog must stay quick with large customers: a
// resource list of tens of thousands of rows, a folder with thousands of
// sub-folders.
#include <benchmark/benchmark.h>

#include <string>

#include "ports/ui/list_view.hpp"
#include "ports/ui/tree_view.hpp"

namespace {

void FillList(kv::ui::ListView& list, int count) {
    for (int id = 1; id <= count; ++id) {
        kv::ui::ListItem& item = list.Add("J" + std::to_string(id), std::to_string(id));
        item.SetSubItem(1, "Job " + std::to_string(id));
    }
}

void BM_ListFillAndLookUp(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        kv::ui::ListView list("lstvJobs");
        list.AddColumn("JobNr", 900);
        list.AddColumn("Jobnavn", 3800);
        FillList(list, count);
        benchmark::DoNotOptimize(list.Find("J" + std::to_string(count / 2)));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ListFillAndLookUp)->RangeMultiplier(4)->Range(1 << 10, 1 << 18)->Complexity(benchmark::oN);

void BM_ListSortByText(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    kv::ui::ListView list("lstvJobs");
    list.AddColumn("JobNr", 900);
    list.AddColumn("Jobnavn", 3800);
    FillList(list, count);
    list.SetSorted(true);
    bool descending = false;
    for (auto _ : state) {
        descending = !descending;
        list.SetSortOrder(descending ? kv::ui::SortOrder::Descending : kv::ui::SortOrder::Ascending);
        benchmark::DoNotOptimize(&list.Item(1));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ListSortByText)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Complexity(benchmark::oNLogN);

// The folder tree's refill test walks every child for each sub-folder added.
void BM_TreeAddChildrenAndWalk(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        kv::ui::TreeView tree("treeFolders");
        tree.Add(0, kv::ui::Relationship::Child, "Dokumenter");
        for (int i = 0; i < count; ++i) tree.Add(1, kv::ui::Relationship::Child, "f" + std::to_string(i));
        int seen = 0;
        for (kv::ui::TreeNode* n = tree.Node(1).Child(); n; n = n->Next()) ++seen;
        benchmark::DoNotOptimize(seen);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_TreeAddChildrenAndWalk)->RangeMultiplier(4)->Range(1 << 10, 1 << 14)->Complexity();

}  // namespace
