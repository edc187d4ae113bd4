// The extractor against its peers: raw deflate streams made by zlib with every level and
// strategy and several window sizes, and archives made by Info-ZIP zip, extracted by both
// ExtractArchive and Info-ZIP unzip and compared file by file, time stamps included.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "tests/unzip/support.h"
#include "unzip/coding.h"
#include "unzip/unzip.h"

namespace unzip_test {
namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

// Text-like data: words from a small vocabulary with numbers, lines and some repetition.
Bytes TextData(std::size_t size, unsigned seed) {
  static const char* kWords[] = {"the",    "extractor", "window",  "deflate", "archive",
                                 "member", "Vorlex",    "install", "folder",  "return",
                                 "if",     "while",     "{",       "}",       "std::"};
  std::mt19937 rng(seed);
  Bytes out;
  while (out.size() < size) {
    const std::string w = kWords[rng() % 15];
    out.insert(out.end(), w.begin(), w.end());
    out.push_back(rng() % 9 == 0 ? '\n' : ' ');
    if (rng() % 17 == 0) {
      const std::string n = std::to_string(rng() % 100000);
      out.insert(out.end(), n.begin(), n.end());
    }
  }
  out.resize(size);
  return out;
}

// Binary data: random runs, repeated records and zero stretches.
Bytes BinaryData(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes out;
  while (out.size() < size) {
    switch (rng() % 4) {
      case 0:
        for (int i = 0; i < 300; ++i) out.push_back(static_cast<std::uint8_t>(rng()));
        break;
      case 1:
        out.insert(out.end(), 200 + rng() % 2000, 0);
        break;
      default: {
        const std::size_t back = 1 + rng() % std::min<std::size_t>(out.size() + 1, 40000);
        const std::size_t len = 3 + rng() % 400;
        for (std::size_t i = 0; i < len && back <= out.size(); ++i) {
          out.push_back(out[out.size() - back]);
        }
        out.push_back(static_cast<std::uint8_t>(rng()));
      }
    }
  }
  out.resize(size);
  return out;
}

Bytes ZlibDeflate(const Bytes& input, int level, int strategy, int windowBits, int memLevel,
                  std::size_t flushEvery) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -windowBits, memLevel, strategy), Z_OK);
  Bytes out(deflateBound(&z, input.size()) + 1024 + (input.size() / flushEvery + 1) * 16);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  std::size_t at = 0;
  int rc;
  do {
    const std::size_t n = std::min(flushEvery, input.size() - at);
    z.next_in = const_cast<Bytef*>(input.data() + at);
    z.avail_in = static_cast<uInt>(n);
    at += n;
    const int flush = at == input.size()      ? Z_FINISH
                      : (at / flushEvery) % 2 ? Z_SYNC_FLUSH
                                              : Z_FULL_FLUSH;
    rc = deflate(&z, flush);
  } while (rc == Z_OK);
  EXPECT_EQ(rc, Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

void ExpectPieces(const Inflated& r) {
  ASSERT_FALSE(r.pieces.empty());
  for (std::size_t i = 0; i + 1 < r.pieces.size(); ++i) EXPECT_EQ(r.pieces[i], 32768u);
  EXPECT_LE(r.pieces.back(), 32768u);
}

TEST(ZlibStreams, EveryLevelStrategyAndWindowDecodesToTheInput) {
  const Bytes inputs[] = {TextData(300000, 1), BinaryData(300000, 2), Bytes(70000, 'z'), Bytes{},
                          Bytes{42}};
  const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
  for (const Bytes& input : inputs) {
    for (int level : {0, 1, 4, 6, 9}) {
      for (int strategy : strategies) {
        for (int windowBits : {9, 12, 15}) {
          SCOPED_TRACE("size " + std::to_string(input.size()) + " level " + std::to_string(level) +
                       " strategy " + std::to_string(strategy) + " window " +
                       std::to_string(windowBits));
          const Bytes stream = ZlibDeflate(input, level, strategy, windowBits, 8, 1 << 30);
          const Inflated r = InflateBytes(stream);
          ASSERT_EQ(r.result, 0);
          ASSERT_EQ(r.output, input);
          ExpectPieces(r);
        }
      }
    }
  }
}

TEST(ZlibStreams, FlushedStreamsAndSmallMemoryLevelsDecode) {
  const Bytes input = TextData(200000, 3);
  for (int memLevel : {1, 9}) {
    for (std::size_t flushEvery : {std::size_t{1}, std::size_t{777}, std::size_t{40000}}) {
      const Bytes stream = ZlibDeflate(input, 6, Z_DEFAULT_STRATEGY, 15, memLevel, flushEvery);
      const Inflated r = InflateBytes(stream);
      ASSERT_EQ(r.result, 0) << memLevel << " " << flushEvery;
      ASSERT_EQ(r.output, input);
    }
  }
}

TEST(ZlibStreams, EveryTruncationOfAStreamFailsWithoutCrashing) {
  const Bytes input = TextData(5000, 4);
  const Bytes stream = ZlibDeflate(input, 9, Z_DEFAULT_STRATEGY, 15, 8, 1 << 30);
  for (std::size_t cut = 0; cut < stream.size(); ++cut) {
    const Inflated r = InflateBytes(Bytes(stream.begin(), stream.begin() + cut));
    EXPECT_NE(r.result, 0) << cut;
  }
}

TEST(ZlibStreams, CorruptedStreamsNeverReadOrWriteOutOfBounds) {
  const Bytes input = BinaryData(50000, 5);
  const Bytes stream = ZlibDeflate(input, 6, Z_DEFAULT_STRATEGY, 15, 8, 1 << 30);
  std::mt19937 rng(6);
  for (int round = 0; round < 300; ++round) {
    Bytes bad = stream;
    for (int k = 0; k < 3; ++k)
      bad[rng() % bad.size()] ^= static_cast<std::uint8_t>(1 + rng() % 255);
    const Inflated r = InflateBytes(bad);
    if (r.result == 0) {
      EXPECT_LE(r.output.size(), 10u * 1024 * 1024);
    }
  }
}

// A source tree with nested and empty folders, empty, small, text and binary files, long
// names, and time stamps on even seconds (the DOS resolution).
void MakeTree(const fs::path& root) {
  fs::create_directories(root / "empty folder");
  fs::create_directories(root / "a" / "b" / "c");
  WriteAll(root / "zero.bin", Bytes{});
  WriteAll(root / "one.txt", {'1'});
  WriteAll(root / "a" / "text.txt", TextData(150000, 7));
  WriteAll(root / "a" / "b" / "binary.dat", BinaryData(400000, 8));
  WriteAll(root / "a" / "b" / "c" / "same.bin", Bytes(100000, 0xAB));
  // Long names, the output path staying within 259 characters.
  const fs::path deep = root / std::string(40, 'd') / std::string(40, 'e');
  fs::create_directories(deep);
  WriteAll(deep / (std::string(80, 'n') + ".txt"), TextData(1000, 9));
  const auto stamp = fs::file_time_type::clock::now() - std::chrono::hours(24 * 40);
  const auto even = std::chrono::floor<std::chrono::seconds>(stamp);
  const auto seconds = even.time_since_epoch().count();
  const auto fixed = even - std::chrono::seconds(seconds % 2);
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file()) fs::last_write_time(e.path(), fixed);
  }
}

// Both extractions of `archive`: ExtractArchive's result and tree against unzip's.
void CompareWithUnzip(const fs::path& archive, const fs::path& work, bool compareTimes) {
  const fs::path ours = work / "ours";
  const fs::path theirs = work / "theirs";
  fs::create_directories(ours);
  fs::create_directories(theirs);
  ASSERT_EQ(unzip::ExtractArchive(Win(archive), Win(ours)), 0) << archive;
  ASSERT_EQ(Shell("cd " + Quote(theirs.string()) + " && unzip -qo " + Quote(archive.string())), 0);
  EXPECT_EQ(Tree(ours), Tree(theirs)) << archive;
  if (!compareTimes) return;
  for (const auto& e : fs::recursive_directory_iterator(theirs)) {
    if (!e.is_regular_file()) continue;
    const fs::path mine = ours / fs::relative(e.path(), theirs);
    EXPECT_EQ(fs::last_write_time(mine), fs::last_write_time(e.path())) << mine;
  }
}

TEST(InfoZip, ArchivesOfEveryLevelAndWithDescriptorsExtractAsUnzipDoes) {
  TempDir tmp;
  MakeTree(tmp / "src");
  for (const std::string options :
       {"-0", "-1", "-6", "-9", "-9 -fd", "-1 -fd -D", "-6 -fz", "-0 -fz"}) {
    SCOPED_TRACE(options);
    const fs::path archive = tmp / "tree.zip";
    fs::remove(archive);
    ASSERT_EQ(Shell("cd " + Quote((tmp / "src").string()) + " && zip -q -r " + options + " " +
                    Quote(archive.string()) + " ."),
              0);
    const fs::path work = tmp / ("w" + std::to_string(std::hash<std::string>{}(options) % 1000));
    CompareWithUnzip(archive, work, true);
  }
}

TEST(InfoZip, StreamedMemberWithDescriptorExtracts) {
  TempDir tmp;
  const Bytes content = TextData(100000, 10);
  WriteAll(tmp / "in.txt", content);
  const fs::path archive = tmp / "streamed.zip";
  ASSERT_EQ(
      Shell("zip -q -fz- " + Quote(archive.string()) + " - < " + Quote((tmp / "in.txt").string())),
      0);
  fs::create_directories(tmp / "out");
  ASSERT_EQ(unzip::ExtractArchive(Win(archive), Win(tmp / "out")), 0);
  EXPECT_EQ(ReadAll(tmp / "out" / "-"), content);
}

// Archives made by Python's zipfile: Zip64 headers forced on small members (seekable, and
// streamed with 8-byte sizes in the data descriptors), Zip64 end records from many entries,
// and names flagged UTF-8.
TEST(PythonZipfile, Zip64AndUtf8ArchivesExtractAsUnzipDoes) {
  TempDir tmp;
  MakeTree(tmp / "src");
  fs::create_directories(tmp / "src" / "Slo\xC5\xBEka");
  WriteAll(tmp / "src" / "Slo\xC5\xBEka" / "P\xC5\x99\xC3\xADru\xC4\x8Dka.txt", TextData(5000, 3));
  // The source tree into an archive; `how` is a Python expression that writes member `n`
  // from file `p` into the archive `z`.
  const auto make = [&](const std::string& name, const std::string& how, const std::string& open) {
    const fs::path script = tmp / (name + ".py");
    std::ofstream(script) << "import os, sys, zipfile\n"
                             "class Stream:\n"  // a file without seek: streamed members
                             "    def __init__(s, f): s.f = f\n"
                             "    def write(s, b): return s.f.write(b)\n"
                             "    def flush(s): s.f.flush()\n"
                             "src, out = sys.argv[1], sys.argv[2]\n"
                             "with open(out, 'wb') as f, zipfile.ZipFile("
                          << open
                          << ", 'w', zipfile.ZIP_DEFLATED) as z:\n"
                             "    for root, dirs, files in os.walk(src):\n"
                             "        for name in files:\n"
                             "            p = os.path.join(root, name)\n"
                             "            n = os.path.relpath(p, src)\n"
                             "            "
                          << how << "\n";
    const fs::path archive = tmp / (name + ".zip");
    EXPECT_EQ(Shell("python3 " + Quote(script.string()) + " " + Quote((tmp / "src").string()) +
                    " " + Quote(archive.string())),
              0);
    return archive;
  };
  const auto forced =
      "with open(p, 'rb') as i, z.open(n, 'w', force_zip64=True) as o: o.write(i.read())";
  struct Case {
    const char* name;
    std::string how;
    std::string open;
  };
  int n = 0;
  for (const Case& c : {Case{"plain", "z.write(p, n)", "f"}, Case{"forced", forced, "f"},
                        Case{"streamed", forced, "Stream(f)"}}) {
    SCOPED_TRACE(c.name);
    CompareWithUnzip(make(c.name, c.how, c.open), tmp / std::to_string(n++), false);
  }
  // 70,000 entries: a Zip64 end record and locator, the count past 16 bits.
  const fs::path many = tmp / "many.py";
  std::ofstream(many) << "import sys, zipfile\n"
                         "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                         "    for i in range(70000): z.writestr('d%d/f%d' % (i % 7, i), str(i))\n";
  ASSERT_EQ(Shell("python3 " + Quote(many.string()) + " " + Quote((tmp / "many.zip").string())), 0);
  const Bytes bytes = ReadAll(tmp / "many.zip");
  ASSERT_NE(
      std::search(bytes.begin(), bytes.end(), std::begin("PK\x06\x06"), std::end("PK\x06\x06") - 1),
      bytes.end());
  // One member taken by its name; the walk goes over all of them.
  fs::create_directories(tmp / "many");
  std::int32_t failure = 0;
  ASSERT_EQ(unzip::UnzipArchive(Win(tmp / "many.zip"), Win(tmp / "many"), "d6\\f69999", nullptr,
                                nullptr, &failure),
            1);
  EXPECT_EQ(failure, 0);
  EXPECT_EQ(ReadAll(tmp / "many" / "d6" / "f69999"), ToBytes("69999"));
}

TEST(InfoZip, RealDeflateAndStoredArchivesExtractAsUnzipDoes) {
  TempDir tmp;
  int n = 0;
  for (const std::string& name : kStoredAndDeflated) {
    SCOPED_TRACE(name);
    // Their time stamps may come from extra fields that the extractor does not read.
    CompareWithUnzip(FixtureDir() / name, tmp / std::to_string(n++), false);
  }
}

}  // namespace
}  // namespace unzip_test
