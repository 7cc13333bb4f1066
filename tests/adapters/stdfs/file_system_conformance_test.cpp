// The real adapter and the fake pass the same tests, so dialog tests on the
// fake say something about the real thing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>

#include "fakes/fake_file_system.hpp"
#include "fakes/temp_dir.hpp"
#include "stdfs/stdfs_file_system.hpp"
#include "support/error.hpp"
#include "fakes/open_files.hpp"
#ifndef _WIN32
#include "stdfs/tree_ahead.hpp"
#endif

namespace {

namespace fs = std::filesystem;
using kv::Folder;

fs::path U8Path(const std::string& s) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(s.data()), s.size()));
}

// A real temporary folder tree under $TMPDIR, removed afterwards.
class RealWorld {
public:
    RealWorld() {
        const std::u8string r = dir_.Path().u8string();
        rootText_.assign(reinterpret_cast<const char*>(r.data()), r.size());
    }
    const std::string& Root() const { return rootText_; }
    void MakeFolder(const std::string& rel) {
        fs::create_directories(U8Path(kv::fakes::HostPaths().Join(rootText_, rel)));
    }
    void MakeFile(const std::string& rel, std::int64_t size) {
        std::ofstream out(U8Path(kv::fakes::HostPaths().Join(rootText_, rel)), std::ios::binary);
        out << std::string(static_cast<std::size_t>(size), 'x');
    }
    void RemoveFolder(const std::string& rel) { fs::remove_all(U8Path(kv::fakes::HostPaths().Join(rootText_, rel))); }
    kv::FileSystem& Fs() { return fs_; }

private:
    kv::fakes::TempDir dir_{"kv_stdfs"};
    std::string rootText_;
    kv::stdfs::StdFileSystem fs_;
};

class FakeWorld {
public:
    FakeWorld() { fs_.AddFolder(Root()); }
    std::string Root() const { return kv::fakes::HostPaths().separator == '/' ? "/share/docs" : "C:\\share\\docs"; }
    void MakeFolder(const std::string& rel) { fs_.AddFolder(kv::fakes::HostPaths().Join(Root(), rel)); }
    void MakeFile(const std::string& rel, std::int64_t size) {
        fs_.AddFile(kv::fakes::HostPaths().Join(Root(), rel), size);
    }
    void RemoveFolder(const std::string& rel) { fs_.Remove(kv::fakes::HostPaths().Join(Root(), rel)); }
    kv::FileSystem& Fs() { return fs_; }

private:
    kv::fakes::FakeFileSystem fs_;
};

template <class World>
class FileSystemConformance : public ::testing::Test {
protected:
    World world;
    kv::FileSystem& fsys = world.Fs();
    std::string At(const std::string& rel) const { return kv::fakes::HostPaths().Join(world.Root(), rel); }
};

using Worlds = ::testing::Types<RealWorld, FakeWorld>;
TYPED_TEST_SUITE(FileSystemConformance, Worlds);

template <class F>
std::int32_t ErrorNumberOf(F&& f) {
    try {
        f();
    } catch (const kv::Error& e) {
        return e.Number();
    }
    return 0;
}

TYPED_TEST(FileSystemConformance, OpensAFolderByPath) {
    this->world.MakeFolder("1234");
    const Folder f = this->fsys.GetFolder(this->At("1234"));
    EXPECT_EQ(f.Path(), this->At("1234"));
    EXPECT_EQ(f.Name(), "1234");
    // A trailing separator names the same folder and is not kept.
    EXPECT_EQ(this->fsys.GetFolder(this->At("1234") + kv::fakes::HostPaths().separator).Path(), this->At("1234"));
}

TYPED_TEST(FileSystemConformance, RefusesEmptyMissingAndFilePaths) {
    this->world.MakeFile("note.txt", 3);
    EXPECT_EQ(ErrorNumberOf([&] { this->fsys.GetFolder(""); }), kv::fserr::InvalidArgument);
    EXPECT_EQ(ErrorNumberOf([&] { this->fsys.GetFolder(this->At("missing")); }), kv::fserr::PathNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { this->fsys.GetFolder(this->At("note.txt")); }), kv::fserr::PathNotFound);
}

TYPED_TEST(FileSystemConformance, ListsDirectSubFoldersInNameOrderIgnoringCase) {
    // æ and Æ upper-case alike, so the letter after them decides.
    for (const char* name : {"beta", "Alpha", "ørken", "Æg", "æble", "with space", "v1.2", "Zulu", "alpha2"}) {
        this->world.MakeFolder(name);
    }
    this->world.MakeFolder(kv::fakes::HostPaths().Join("beta", "deeper"));
    this->world.MakeFile("file.msg", 10);
    std::vector<std::string> names, paths;
    for (const Folder& f : this->fsys.SubFolders(this->fsys.GetFolder(this->world.Root()))) {
        names.push_back(f.Name());
        paths.push_back(f.Path());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "alpha2", "beta", "v1.2", "with space", "Zulu", "æble", "Æg",
                                               "ørken"}));
    EXPECT_EQ(paths[4], this->At("with space"));
    EXPECT_TRUE(this->fsys.SubFolders(this->fsys.GetFolder(this->At("Zulu"))).empty());
}

TYPED_TEST(FileSystemConformance, ListingAFolderRemovedSinceItWasOpenedFails) {
    this->world.MakeFolder(kv::fakes::HostPaths().Join("gone", "child"));
    const Folder f = this->fsys.GetFolder(this->At("gone"));
    this->world.RemoveFolder("gone");
    EXPECT_EQ(ErrorNumberOf([&] { this->fsys.SubFolders(f); }), kv::fserr::PathNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { this->fsys.AddSubFolder(f, "x"); }), kv::fserr::PathNotFound);
}

TYPED_TEST(FileSystemConformance, ListsEachFolderInTurnUntilOneFails) {
    const auto join = [](const char* a, const char* b) { return kv::fakes::HostPaths().Join(a, b); };
    for (const std::string& folder : {join("a", "b2"), join("a", "B1"), join("a", "a3"), std::string("b"),
                                      join("c", "y"), join("a", "a3") + kv::fakes::HostPaths().separator + "z"})
        this->world.MakeFolder(folder);
    this->world.MakeFile("f.msg", 1);
    std::vector<std::string> seen;
    const auto note = [&](std::size_t i, const std::vector<Folder>& subFolders) {
        std::string line = std::to_string(i) + ":";
        for (const Folder& f : subFolders) line += " " + f.Name() + "=" + f.Path();
        seen.push_back(line);
    };
    // Folders of one parent, one of another, and a path spelled with a trailing separator.
    this->fsys.ListEachFolder(
        {this->At("a"), this->At("b"), this->At(join("a", "a3")), this->At("c") + kv::fakes::HostPaths().separator},
        note);
    EXPECT_EQ(seen, (std::vector<std::string>{"0: a3=" + this->At(join("a", "a3")) + " B1=" +
                                                  this->At(join("a", "B1")) + " b2=" + this->At(join("a", "b2")),
                                              "1:", "2: z=" + this->At(join(join("a", "a3").c_str(), "z")),
                                              "3: y=" + this->At(join("c", "y"))}));
    // Missing, a file, and one whose parent folder is missing.
    for (const std::string& bad : {std::string("gone"), std::string("f.msg"), join("gone", "x")}) {
        seen.clear();
        EXPECT_EQ(ErrorNumberOf([&] {
                      this->fsys.ListEachFolder({this->At("b"), this->At(bad), this->At("c")}, note);
                  }),
                  kv::fserr::PathNotFound)
            << bad;
        EXPECT_EQ(seen, std::vector<std::string>{"0:"}) << "the folders before it are listed, none after";
    }
    // As many as an expanded folder of a big job holds: in order, the same
    // failure, a failure of the caller's own stops the listing.
    std::vector<std::string> many, expected;
    for (int i = 0; i < 300; ++i) {
        const std::string name = "mappe med et langt navn " + std::to_string(i);
        this->world.MakeFolder(kv::fakes::HostPaths().Join(name.c_str(), "s"));
        many.push_back(this->At(name));
        expected.push_back(std::to_string(i) + ": s=" + this->At(kv::fakes::HostPaths().Join(name.c_str(), "s")));
    }
    seen.clear();
    this->fsys.ListEachFolder(many, note);
    EXPECT_EQ(seen, expected);
    std::size_t listed = 0;
    this->fsys.ListEachFolder({this->world.Root()},
                              [&](std::size_t, const std::vector<Folder>& subFolders) { listed = subFolders.size(); });
    EXPECT_EQ(listed, many.size() + 3) << "a folder too big to be read in one piece";
    for (const std::size_t bad : {std::size_t{0}, std::size_t{31}, std::size_t{32}, std::size_t{250}}) {
        seen.clear();
        auto broken = many;
        broken[bad] = this->At("gone");
        EXPECT_EQ(ErrorNumberOf([&] { this->fsys.ListEachFolder(broken, note); }), kv::fserr::PathNotFound) << bad;
        EXPECT_EQ(seen, std::vector<std::string>(expected.begin(), expected.begin() + static_cast<long>(bad))) << bad;
    }
    seen.clear();
    EXPECT_EQ(ErrorNumberOf([&] {
                  this->fsys.ListEachFolder(many, [&](std::size_t i, const std::vector<Folder>& subFolders) {
                      if (i == 100) throw kv::Error(kv::fserr::AccessError, "test", "the caller's own failure");
                      note(i, subFolders);
                  });
              }),
              kv::fserr::AccessError);
    EXPECT_EQ(seen.size(), 100u);
}

TYPED_TEST(FileSystemConformance, AddsASubFolderOnce) {
    const Folder root = this->fsys.GetFolder(this->world.Root());
    const Folder made = this->fsys.AddSubFolder(root, "Tilbud 2024 ø");
    EXPECT_EQ(made.Name(), "Tilbud 2024 ø");
    EXPECT_EQ(made.Path(), this->At("Tilbud 2024 ø"));
    EXPECT_EQ(this->fsys.GetFolder(made.Path()).Name(), "Tilbud 2024 ø");
    EXPECT_EQ(ErrorNumberOf([&] { this->fsys.AddSubFolder(root, "Tilbud 2024 ø"); }), kv::fserr::FileAlreadyExists);
    this->world.MakeFile("taken", 1);
    EXPECT_EQ(ErrorNumberOf([&] { this->fsys.AddSubFolder(root, "taken"); }), kv::fserr::FileAlreadyExists);
}

TYPED_TEST(FileSystemConformance, RefusesNamesAShareWouldRefuse) {
    const Folder root = this->fsys.GetFolder(this->world.Root());
    for (const char* bad : {"", ".", "..", "a/b", "a\\b", "what?", "tail.", "tail ", "CON", "lpt1.txt", "tab\there"}) {
        EXPECT_EQ(ErrorNumberOf([&] { this->fsys.AddSubFolder(root, bad); }), kv::fserr::BadFileName) << bad;
    }
    EXPECT_TRUE(this->fsys.SubFolders(root).empty());
}

TYPED_TEST(FileSystemConformance, TellsFilesAndTheirSize) {
    this->world.MakeFolder("dir");
    this->world.MakeFile("mail.msg", 4321);
    this->world.MakeFile("empty.msg", 0);
    EXPECT_TRUE(this->fsys.FileExists(this->At("mail.msg")));
    EXPECT_FALSE(this->fsys.FileExists(this->At("dir")));
    EXPECT_FALSE(this->fsys.FileExists(this->At("other.msg")));
    EXPECT_FALSE(this->fsys.FileExists(""));
    EXPECT_EQ(this->fsys.FileSize(this->At("mail.msg")), 4321);
    EXPECT_EQ(this->fsys.FileSize(this->At("empty.msg")), 0);
    EXPECT_EQ(ErrorNumberOf([&] { this->fsys.FileSize(this->At("other.msg")); }), kv::fserr::FileNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { this->fsys.FileSize(this->At("dir")); }), kv::fserr::FileNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { this->fsys.FileSize(""); }), kv::fserr::FileNotFound);
}

// ---- the real adapter only

TEST(StdFileSystem, KeepsUnicodeNamesAsUtf8OnDisk) {
    RealWorld world;
    const Folder made = world.Fs().AddSubFolder(world.Fs().GetFolder(world.Root()), "Møde — 東京 😀");
    EXPECT_TRUE(fs::is_directory(U8Path(world.Root()) / fs::path(u8"Møde — 東京 😀")));
    EXPECT_EQ(world.Fs().SubFolders(world.Fs().GetFolder(world.Root())).at(0), made);
}

TEST(StdFileSystem, ReportsAbsolutePathsForRelativeOnes) {
    RealWorld world;
    world.MakeFolder("rel");
    const fs::path saved = fs::current_path();
    fs::current_path(U8Path(world.Root()));
    const Folder f = world.Fs().GetFolder("rel");
    fs::current_path(saved);
    EXPECT_EQ(f.Path(), kv::fakes::HostPaths().Join(world.Root(), "rel"));
}

TEST(StdFileSystem, EverySpellingOfAFolderOpensItUnderOnePath) {
    RealWorld world;
    world.MakeFolder(kv::fakes::HostPaths().Join("a", "b"));
    const char sep = kv::fakes::HostPaths().separator;
    const std::string a = kv::fakes::HostPaths().Join(world.Root(), "a");
    for (const std::string& spelling : {a + sep + "." + sep + "b", a + sep + "b" + sep + ".", a + sep + sep + "b",
                                        a + sep + "b" + sep + ".." + sep + "b"}) {
        const Folder f = world.Fs().GetFolder(spelling);
        EXPECT_EQ(f.Path(), a + sep + "b") << spelling;
        EXPECT_EQ(f.Name(), "b") << spelling;
    }
    // A name that merely begins with a dot is another name.
    EXPECT_EQ(ErrorNumberOf([&] { world.Fs().GetFolder(a + sep + ".b"); }), kv::fserr::PathNotFound);
}

TEST(StdFileSystem, SubFoldersThroughALinkCount) {
    RealWorld world;
    world.MakeFolder("target");
    std::error_code ec;
    fs::create_directory_symlink(U8Path(kv::fakes::HostPaths().Join(world.Root(), "target")),
                                 U8Path(kv::fakes::HostPaths().Join(world.Root(), "link")), ec);
    if (ec) GTEST_SKIP() << "no symbolic links here";
    const auto subs = world.Fs().SubFolders(world.Fs().GetFolder(world.Root()));
    ASSERT_EQ(subs.size(), 2u);
    EXPECT_EQ(subs[0].Name(), "link");
}

#ifndef _WIN32
// What a tree read ahead gives is what reading it then gives; a folder made
// meanwhile, or after the reading is let go of, is not missed.
TEST(StdFileSystem, ATreeReadAheadGivesWhatReadingItGives) {
    RealWorld world;
    for (const char* rel : {"a/1", "a/2", "b", "c/3"}) world.MakeFolder(rel);
    kv::FileSystem& files = world.Fs();
    const auto tree = [&] {
        std::vector<std::vector<Folder>> lists{files.SubFolders(files.GetFolder(world.Root()))};
        std::vector<std::string> paths;
        for (const Folder& f : lists[0]) paths.push_back(f.Path());
        files.ListEachFolder(paths, [&](std::size_t, std::vector<Folder> subs) { lists.push_back(std::move(subs)); });
        return lists;
    };
    const auto plain = tree();
    ASSERT_EQ(plain.size(), 4u);
    {
        const auto ahead = files.ReadFolderTreeAhead(world.Root());
        ASSERT_NE(ahead, nullptr);
        EXPECT_EQ(tree(), plain);
        EXPECT_EQ(tree(), plain) << "read again, afresh";
    }
    const auto ahead = files.ReadFolderTreeAhead(world.Root());
    const Folder root = files.GetFolder(world.Root());
    EXPECT_EQ(files.SubFolders(root), plain[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the sub-folders read by now
    files.AddSubFolder(Folder(kv::fakes::HostPaths().Join(world.Root(), "b"), "b"), "new");
    std::vector<std::vector<Folder>> lists;
    files.ListEachFolder({plain[0][0].Path(), plain[0][1].Path(), plain[0][2].Path()},
                         [&](std::size_t, std::vector<Folder> subs) { lists.push_back(std::move(subs)); });
    ASSERT_EQ(lists.size(), 3u);
    EXPECT_EQ(lists[1].size(), 1u) << "the folder made while the tree was read ahead";
}

// A folder read ahead hands on what reading it then would have given,
// once, and never a failure of a folder the caller does not ask for.
// The root /r with a, b (which cannot be read) and c; each readable one has
// one sub-folder named after it.
kv::stdfs::TreeAhead MakeAhead(bool rootReadable = true) {
    return kv::stdfs::TreeAhead(
        "/r",
        [rootReadable](Folder& opened) {
            if (!rootReadable) throw kv::Error(kv::fserr::PathNotFound, "test", "Path not found: /r");
            opened = Folder("/r", "r");
            return std::vector<Folder>{{"/r/a", "a"}, {"/r/b", "b"}, {"/r/c", "c"}};
        },
        [](const std::vector<std::string>& paths) -> kv::stdfs::FolderReader {
            return [&paths](std::size_t i) {
                if (paths[i] == "/r/b") throw kv::Error(kv::fserr::PermissionDenied, "test", "Permission denied");
                return std::vector<Folder>{{paths[i] + "/x", "x"}};
            };
        });
}

TEST(TreeAhead, HandsOnTheRootOnceAndOnlyForItsPath) {
    kv::stdfs::TreeAhead ahead = MakeAhead();
    EXPECT_EQ(ahead.TakeRoot("/other"), std::nullopt);
    const std::optional<std::vector<Folder>> root = ahead.TakeRoot("/r");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->size(), 3u);
    EXPECT_EQ(ahead.TakeRoot("/r"), std::nullopt) << "a second listing is read afresh";

    kv::stdfs::TreeAhead unreadable = MakeAhead(false);
    EXPECT_EQ(unreadable.TakeRoot("/r"), std::nullopt) << "the caller's own reading meets the failure";
    EXPECT_FALSE(unreadable.Serves({"/r/a"}));
}

TEST(TreeAhead, ServesTheRootsSubFoldersInTheirOrderEachOnce) {
    const struct {
        std::vector<std::string> paths;
        bool served;
    } cases[] = {
        {{"/r/a", "/r/b", "/r/c"}, true},
        {{"/r/a", "/r/c"}, true},  // some left out, as hidden folders are
        {{}, true},
        {{"/r/c", "/r/a"}, false},
        {{"/r/a", "/r/a"}, false},
        {{"/r/a", "/elsewhere"}, false},
    };
    for (const auto& c : cases) {
        kv::stdfs::TreeAhead ahead = MakeAhead();
        EXPECT_EQ(ahead.Serves(c.paths), c.served) << ::testing::PrintToString(c.paths);
    }
    kv::stdfs::TreeAhead ahead = MakeAhead();
    ASSERT_TRUE(ahead.Serves({"/r/a"}));
    EXPECT_EQ(ahead.Take("/r/a").at(0).Path(), "/r/a/x");
    EXPECT_FALSE(ahead.Serves({"/r/a"})) << "taken";
    EXPECT_TRUE(ahead.Serves({"/r/c"}));
}

TEST(TreeAhead, AFailureReachesOnlyTheCallerWhoAsksForThatFolder) {
    kv::stdfs::TreeAhead skipping = MakeAhead();
    ASSERT_TRUE(skipping.Serves({"/r/a", "/r/c"}));
    EXPECT_EQ(skipping.Take("/r/a").at(0).Name(), "x");
    EXPECT_EQ(skipping.Take("/r/c").at(0).Path(), "/r/c/x");

    kv::stdfs::TreeAhead asking = MakeAhead();
    ASSERT_TRUE(asking.Serves({"/r/a", "/r/b", "/r/c"}));
    asking.Take("/r/a");
    EXPECT_EQ(ErrorNumberOf([&] { asking.Take("/r/b"); }), kv::fserr::PermissionDenied);
}

// A descriptor left open per mail saved or folder listed runs a long import
// into the process's limit.
TEST(StdFileSystem, LeavesNoFileOpen) {
    const auto openFiles = kv::fakes::OpenFiles;
    RealWorld world;
    world.MakeFolder(kv::fakes::HostPaths().Join("a", "b"));
    world.MakeFile("tmp", 3);
    kv::FileSystem& files = world.Fs();
    const auto before = openFiles();
    files.FlushFile(kv::fakes::HostPaths().Join(world.Root(), "tmp"));
    files.MoveFileNoReplace(kv::fakes::HostPaths().Join(world.Root(), "tmp"),
                            kv::fakes::HostPaths().Join(world.Root(), "x.msg"));
    const Folder root = files.GetFolder(world.Root());
    files.AddSubFolder(root, "c");
    files.SubFolders(root);
    files.ListEachFolder(
        {kv::fakes::HostPaths().Join(world.Root(), "a"), kv::fakes::HostPaths().Join(world.Root(), "c")},
        [](std::size_t, const std::vector<Folder>&) {});
    EXPECT_EQ(openFiles(), before);
}
#endif

TYPED_TEST(FileSystemConformance, RenamesAFileWithoutEverReplacingOne) {
    this->world.MakeFile("tmp1", 5);
    this->world.MakeFile("taken.msg", 7);
    EXPECT_FALSE(this->fsys.MoveFileNoReplace(this->At("tmp1"), this->At("taken.msg")));
    EXPECT_EQ(this->fsys.FileSize(this->At("taken.msg")), 7) << "the existing file is left alone";
    EXPECT_TRUE(this->fsys.FileExists(this->At("tmp1")));

    EXPECT_TRUE(this->fsys.MoveFileNoReplace(this->At("tmp1"), this->At("Tilbud æ.msg")));
    EXPECT_FALSE(this->fsys.FileExists(this->At("tmp1")));
    EXPECT_EQ(this->fsys.FileSize(this->At("Tilbud æ.msg")), 5);

    this->world.MakeFolder("Tilbud");
    this->world.MakeFile("tmp2", 3);
    EXPECT_FALSE(this->fsys.MoveFileNoReplace(this->At("tmp2"), this->At("Tilbud"))) << "a folder takes the name too";
}

TYPED_TEST(FileSystemConformance, RenameRefusesAMissingSourceOrTargetFolder) {
    EXPECT_EQ(ErrorNumberOf([&] { this->fsys.MoveFileNoReplace(this->At("missing"), this->At("x.msg")); }),
              kv::fserr::FileNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { this->fsys.MoveFileNoReplace("", this->At("x.msg")); }), kv::fserr::InvalidArgument);
    this->world.MakeFile("tmp", 1);
    EXPECT_EQ(ErrorNumberOf([&] {
                  this->fsys.MoveFileNoReplace(this->At("tmp"), this->At(kv::fakes::HostPaths().Join("gone", "x.msg")));
              }),
              kv::fserr::PathNotFound);
    EXPECT_TRUE(this->fsys.FileExists(this->At("tmp")));
}

TYPED_TEST(FileSystemConformance, FlushesAFileAndRefusesAMissingOne) {
    this->world.MakeFile("mail.msg", 4321);
    EXPECT_NO_THROW(this->fsys.FlushFile(this->At("mail.msg")));
    EXPECT_EQ(this->fsys.FileSize(this->At("mail.msg")), 4321);
    EXPECT_EQ(ErrorNumberOf([&] { this->fsys.FlushFile(this->At("other.msg")); }), kv::fserr::FileNotFound);
    EXPECT_EQ(ErrorNumberOf([&] { this->fsys.FlushFile(""); }), kv::fserr::InvalidArgument);
}

TYPED_TEST(FileSystemConformance, RemovesAFileAndIgnoresAMissingOne) {
    this->world.MakeFile("old.tmp", 4);
    this->fsys.RemoveFile(this->At("old.tmp"));
    EXPECT_FALSE(this->fsys.FileExists(this->At("old.tmp")));
    EXPECT_NO_THROW(this->fsys.RemoveFile(this->At("old.tmp")));
    this->world.MakeFolder("folder");
    EXPECT_EQ(ErrorNumberOf([&] { this->fsys.RemoveFile(this->At("folder")); }), kv::fserr::PermissionDenied);
    EXPECT_TRUE(this->fsys.GetFolder(this->At("folder")).Path().size() > 0);
    EXPECT_EQ(ErrorNumberOf([&] { this->fsys.RemoveFile(""); }), kv::fserr::InvalidArgument);
}

}  // namespace
