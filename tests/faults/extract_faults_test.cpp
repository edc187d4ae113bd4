// ExtractArchive of a small archive made by Info-ZIP zip (deflated and stored members, a
// member spanning several output windows, an empty member, folder entries and a nested
// folder), with each platform call failed in turn: the Nth of every kind, once and from then
// on. After each run: a failure is reported (a code or an input/output error) or the output
// is complete; every file left is a complete member; nothing outside the destination
// changed; the next run, without faults, extracts everything (lock and work area released).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "fault_table.h"
#include "platform/files.h"
#include "platform/posix/prefix.h"
#include "runs_support.h"
#include "sweep.h"
#include "test_support.h"
#include "texts/error.h"
#include "unzip/coding.h"

namespace setup::faults {
namespace {

using namespace setup::testing;

std::map<std::string, std::string> Members() {
  std::mt19937 bits(7);
  std::string noise(40000, '\0');
  for (char& c : noise) c = static_cast<char>(bits());
  std::string text;
  for (int i = 0; text.size() < 150000; ++i) text += "line " + std::to_string(i * 7 % 1000) + "\n";
  return {{"big.txt", text},           // deflated, five output windows
          {"noise.bin", noise},        // stored: zip cannot shrink it
          {"empty.txt", ""},           // stored, 0 bytes
          {"sub/deep/c.txt", "deep"},  // folder entries "sub/" and "sub/deep/" before it
          {"sub/d.txt", "d"}};
}

class ExtractFaults : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    const fs::path staging = HostOf(Work()) / "staging";
    for (const auto& [name, bytes] : Members()) {
      fs::create_directories((staging / name).parent_path());
      std::ofstream(staging / name, std::ios::binary) << bytes;
    }
    const std::string command = "cd '" + staging.string() + "' && zip -q -r -X '" +
                                (HostOf(Work()) / "payload.zip").string() + "' .";
    ASSERT_EQ(std::system(command.c_str()), 0);
    fs::remove_all(staging);
    archive_ = In("payload.zip");
    destination_ = In("out");
  }

  // The destination's files (host relative paths, "/" separated) with their bytes.
  std::map<std::string, std::string> Output() {
    std::map<std::string, std::string> files;
    const fs::path root = HostOf(destination_);
    if (!fs::exists(root)) return files;
    for (const auto& [path, bytes] : TakePicture(root)) {
      if (bytes != "<dir>") files[fs::relative(path, root).generic_string()] = bytes;
    }
    return files;
  }

  // One run; what went wrong with it, or nothing.
  std::string Run(const std::optional<Fault>& fault, bool& fired, Lengths* lengths) {
    std::error_code ignored;
    fs::remove_all(HostOf(destination_), ignored);
    const Picture before = TakePicture(plat::posix::PrefixDir());
    std::int32_t code = 0;
    std::string raised;
    {
      FaultTable table(fault);
      try {
        code = unzip::ExtractArchive(archive_, destination_);
      } catch (const std::exception& error) {
        raised = error.what();
      }
      fired = table.Fired();
      if (lengths != nullptr) {
        for (int k = 0; k < kKinds; ++k) lengths->of[k] = table.Calls(static_cast<Kind>(k));
        lengths->all = table.AllCalls();
      }
    }
    std::string what;
    const auto output = Output();
    const auto expected = Members();
    const bool complete = output == expected;
    if (code == 0 && raised.empty() && !complete) what += "success claimed, output incomplete; ";
    for (const auto& [name, bytes] : output) {
      auto member = expected.find(name);
      if (member == expected.end()) {
        what += "stray file " + name + "; ";
      } else if (member->second != bytes) {
        what += "partial file " + name + " (" + std::to_string(bytes.size()) + " of " +
                std::to_string(member->second.size()) + " bytes); ";
      }
    }
    const auto stray = StrayChanges(before, TakePicture(plat::posix::PrefixDir()),
                                    {HostOf(destination_).string()});
    for (const std::string& path : stray) what += "changed outside the destination: " + path + "; ";
    // The extractor's state is released: the next run goes through.
    fs::remove_all(HostOf(destination_), ignored);
    const std::int32_t again = unzip::ExtractArchive(archive_, destination_);
    if (again != 0 || Output() != expected) {
      what += "the next run failed with " + std::to_string(again) + "; ";
    }
    if (!raised.empty() && raised.find("error") == std::string::npos &&
        raised.find("full") == std::string::npos && raised.find("denied") == std::string::npos) {
      what += "unexpected exception: " + raised + "; ";
    }
    return what;
  }

  std::string archive_, destination_;
};

TEST_F(ExtractFaults, EveryCallOfEveryKindFailedOnceAndFromThenOn) {
  bool fired = false;
  Lengths lengths;
  ASSERT_EQ(Run(std::nullopt, fired, &lengths), "");
  ASSERT_GT(lengths.of[static_cast<int>(Kind::kWrite)], 5);

  Sweep sweep;
  sweep.name = "ExtractArchive";
  for (bool sticky : {false, true}) {
    for (int k = 0; k < kKinds; ++k) {
      for (int n = 1; n <= lengths.of[k]; ++n) {
        const Fault fault{static_cast<Kind>(k), n, sticky};
        ++sweep.runs;
        const std::string what = Run(fault, fired, nullptr);
        if (fired) ++sweep.fired;
        if (!what.empty()) sweep.Add(fault, what);
      }
    }
  }
  // The Nth call of all: each call in the order of the run.
  for (int n = 1; n <= lengths.all; ++n) {
    const Fault fault{std::nullopt, n, false};
    ++sweep.runs;
    const std::string what = Run(fault, fired, nullptr);
    if (fired) ++sweep.fired;
    if (!what.empty()) sweep.Add(fault, what);
  }
  EXPECT_EQ(sweep.Report(), "");
}

// A directory too large to be read at once (1200 entries, about 140 KB) is read through a
// sliding window: a read that fails while the window slides must not end the walk as if the
// directory were complete. The directory's reads are the only ones above 32768 bytes (stored
// data comes in pieces of at most 32768); each of them is failed in turn.
int gBigReads = 0;
int gFailBigRead = 0;
plat::Result<std::size_t> ReadFailingBig(plat::Handle file, void* buffer, std::size_t size) {
  if (size > 32768 && ++gBigReads == gFailBigRead) {
    return plat::Result<std::size_t>::failure(plat::kReadFault);
  }
  return plat::NativeServices().readFile(file, buffer, size);
}

TEST_F(ExtractFaults, AReadFailingInsideALargeDirectoryIsNotTakenForItsEnd) {
  const fs::path staging = HostOf(Work()) / "many";
  std::map<std::string, std::string> files;
  for (int i = 0; i < 1200; ++i) {
    files["member-with-a-long-name-" + std::string(40, 'n') + std::to_string(i)] =
        std::to_string(i);
  }
  fs::create_directories(staging);
  for (const auto& [name, bytes] : files) std::ofstream(staging / name) << bytes;
  const std::string command = "cd '" + staging.string() + "' && zip -q -0 -r -X '" +
                              (HostOf(Work()) / "many.zip").string() + "' .";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string archive = In("many.zip");
  const fs::path out = HostOf(destination_);
  const auto output = [&out] {
    std::map<std::string, std::string> got;
    for (const auto& [path, bytes] : TakePicture(out)) got[fs::path(path).filename()] = bytes;
    return got;
  };
  plat::Services table = plat::services();
  table.readFile = &ReadFailingBig;
  plat::ScopedServices scope(table);

  gBigReads = 0;
  gFailBigRead = 0;
  ASSERT_EQ(unzip::ExtractArchive(archive, destination_), 0);
  ASSERT_EQ(output(), files);
  const int bigReads = gBigReads;
  ASSERT_GE(bigReads, 4);  // the first window and slides, for the totals and for the run
  Sweep sweep;
  sweep.name = "ExtractArchive, large directory";
  for (int n = 1; n <= bigReads; ++n) {
    fs::remove_all(out);
    gBigReads = 0;
    gFailBigRead = n;
    ++sweep.runs;
    ++sweep.fired;
    const std::int32_t code = unzip::ExtractArchive(archive, destination_);
    if (code == 0 && output() != files) {
      sweep.Add(Fault{Kind::kRead, n, false},
                "success claimed with " + std::to_string(output().size()) + " of 1200 members");
    }
  }
  EXPECT_EQ(sweep.Report(), "");
}

}  // namespace
}  // namespace setup::faults
