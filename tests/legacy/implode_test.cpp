// Explode on streams from the test encoder (each also checked with Info-ZIP unzip) and on
// hand-made malformed streams.
#include <gtest/gtest.h>

#include "tests/legacy/encoders.h"
#include "tests/legacy/legacy_harness.h"
#include "tests/legacy/samples.h"
#include "tests/legacy/support.h"
#include "unzip/ziptypes.h"

namespace legacy_test {
namespace {

constexpr std::uint16_t kImploded = 6;

// The decoder reads a little ahead of the last code, as it does inside an archive, where
// the central directory follows the data.
DecodeRun Explode(const Bytes& stream, std::uint16_t flags, std::size_t size,
                  std::int32_t compressedSize = -1, std::uint8_t windowFill = 0) {
  Bytes padded = stream;
  padded.resize(stream.size() + 4);
  return RunDecoder(Method::kImplode, flags, padded, static_cast<std::int32_t>(size),
                    compressedSize < 0 ? static_cast<std::int32_t>(stream.size()) : compressedSize,
                    Writes::kAccept, windowFill);
}

void ExpectRoundTrip(const Bytes& content, const ImplodeOptions& options,
                     ImplodeStats* stats = nullptr) {
  const Bytes stream = Implode(content, options, stats);
  const std::uint16_t flags = ImplodeFlags(options);
  const DecodeRun run = Explode(stream, flags, content.size());
  ASSERT_EQ(run.result, unzip::kUnzipOk);
  EXPECT_EQ(run.output, content);
  EXPECT_EQ(run.crc, BitwiseCrc32(content));
  if (HaveInfoZip()) {
    EXPECT_EQ(InfoZipTest(kImploded, flags, content, stream), 0);
  }
}

class ExplodeVariants : public ::testing::TestWithParam<int> {
 protected:
  ImplodeOptions Options() const {
    ImplodeOptions o;
    o.bigDictionary = (GetParam() & 2) != 0;
    o.literalTree = (GetParam() & 4) != 0;
    return o;
  }
};

// Text with near and far repeats, long runs (the length symbol with 8 extra bits) and
// stretches of noise, more than one window long.
TEST_P(ExplodeVariants, RoundTrip) {
  const Bytes content =
      Concat(Concat(Concat(WordText(30000, 21), Repeat('=', 300)), NoisyBytes(3000, 22)),
             Concat(WordText(9000, 23), Repeat(0, 700)));
  ImplodeStats stats;
  ExpectRoundTrip(content, Options(), &stats);
  EXPECT_GT(stats.literals, 1000u);
  EXPECT_GT(stats.matches, 1000u);
  EXPECT_GT(stats.longMatches, 0u);
}

TEST_P(ExplodeVariants, MatchBeforeTheStartYieldsZeroBytes) {
  const Bytes content = Concat(Repeat(0, 40), WordText(2000, 24));
  ImplodeOptions options = Options();
  options.leadingZerosAsMatch = true;
  ImplodeStats stats;
  ExpectRoundTrip(content, options, &stats);
  EXPECT_EQ(stats.matchesBeforeStart, 1u);
  // The zero bytes come from the rule, not from the cleared window.
  const DecodeRun run =
      Explode(Implode(content, options), ImplodeFlags(options), content.size(), -1, 0xAA);
  ASSERT_EQ(run.result, unzip::kUnzipOk);
  EXPECT_EQ(run.output, content);
}

TEST_P(ExplodeVariants, TruncatedInputIsAReadError) {
  const Bytes content = WordText(20000, 25);
  const Bytes stream = Implode(content, Options());
  const Bytes half(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(stream.size() / 2));
  const DecodeRun run = RunDecoder(Method::kImplode, ImplodeFlags(Options()), half,
                                   static_cast<std::int32_t>(content.size()),
                                   static_cast<std::int32_t>(stream.size()));
  EXPECT_EQ(run.result, unzip::kReadError);
  // The input ends inside the first tree.
  const DecodeRun trees = RunDecoder(Method::kImplode, ImplodeFlags(Options()),
                                     Bytes(stream.begin(), stream.begin() + 1), 100);
  EXPECT_EQ(trees.result, unzip::kStructureError);
}

INSTANTIATE_TEST_SUITE_P(Flags, ExplodeVariants, ::testing::Values(0, 2, 4, 6),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string((info.param & 2) ? "Dict8K" : "Dict4K") +
                                  ((info.param & 4) ? "LiteralTree" : "NoLiteralTree");
                         });

TEST(Explode, WideDistanceLookupAbove200000CompressedBytes) {
  // The distance table is looked up 8 bits at a time; the output is the same.
  const Bytes content = WordText(25000, 26);
  ImplodeOptions options;
  options.bigDictionary = true;
  options.literalTree = true;
  const Bytes stream = Implode(content, options);
  for (std::int32_t claimed : {200000, 200001, 1000000}) {
    const DecodeRun run = Explode(stream, ImplodeFlags(options), content.size(), claimed);
    ASSERT_EQ(run.result, unzip::kUnzipOk) << claimed;
    EXPECT_EQ(run.output, content) << claimed;
  }
}

TEST(Explode, WritesWholeWindows) {
  const Bytes content = WordText(32768 * 2 + 5, 27);
  const DecodeRun run = Explode(Implode(content, {}), 0, content.size());
  ASSERT_EQ(run.result, unzip::kUnzipOk);
  EXPECT_EQ(run.writes, (std::vector<std::size_t>{32768, 32768, 5}));
}

TEST(Explode, DeferredSizeRunsUntilTheInputEnds) {
  const Bytes content = WordText(3000, 28);
  const Bytes stream = Implode(content, {});
  const DecodeRun run = RunDecoder(Method::kImplode, 8, stream, 2147483647);
  EXPECT_EQ(run.result, unzip::kReadError);
  ASSERT_GE(run.output.size(), content.size());
  EXPECT_TRUE(std::equal(content.begin(), content.end(), run.output.begin()));
}

TEST(Explode, AbortFlagStopsDecoding) {
  const Bytes content = WordText(80000, 30);
  const DecodeRun run =
      RunDecoder(Method::kImplode, 0, Implode(content, {}), 80000, -1, Writes::kAbortAfterFirst);
  EXPECT_EQ(run.result, unzip::kAborted);
  EXPECT_EQ(run.writes, std::vector<std::size_t>{32768});
}

TEST(Explode, FailedWriteIsAWriteError) {
  const Bytes content = WordText(40000, 29);
  EXPECT_EQ(RunDecoder(Method::kImplode, 0, Implode(content, {}), 40000, -1, Writes::kFail).result,
            unzip::kWriteError);
}

// Trees for the hand-made streams: 64 lengths of 6 bits form a complete code.
Bytes CompleteTree64() { return EncodeTree(std::vector<unsigned>(64, 6)); }

struct BadTree {
  const char* what;
  Bytes tree;
};

TEST(Explode, MalformedTreesAreStructureErrors) {
  std::vector<unsigned> incomplete(64, 7);  // half of the 7-bit patterns unused
  std::vector<unsigned> oversubscribed(64, 5);
  std::vector<unsigned> literalHalf(256, 9);
  const BadTree cases[] = {
      {"runs beyond 64 lengths", Bytes{1, 0xF5, 0xF5, 0xF5, 0xF5, 0x05}},
      {"runs short of 64 lengths", Bytes{2, 0xF5, 0xF5, 0xF5}},
      {"incomplete code", EncodeTree(incomplete)},
      {"over-subscribed code", EncodeTree(oversubscribed)},
  };
  for (const BadTree& c : cases) {
    SCOPED_TRACE(c.what);
    // As the length tree, then as the distance tree after a good length tree.
    Bytes asLength = c.tree;
    asLength.insert(asLength.end(), 8, 0xFF);
    EXPECT_EQ(Explode(asLength, 0, 10).result, unzip::kStructureError);
    Bytes asDistance = Concat(CompleteTree64(), c.tree);
    asDistance.insert(asDistance.end(), 8, 0xFF);
    EXPECT_EQ(Explode(asDistance, 2, 10).result, unzip::kStructureError);
    if (HaveInfoZip()) {
      EXPECT_NE(InfoZipTest(kImploded, 0, Bytes(10, 'x'), asLength), 0);
    }
  }
  // A literal tree of 256 lengths of 9 bits is incomplete.
  Bytes literal = Concat(Concat(EncodeTree(literalHalf), CompleteTree64()), CompleteTree64());
  literal.insert(literal.end(), 8, 0xFF);
  EXPECT_EQ(Explode(literal, 4, 10).result, unzip::kStructureError);
  // A literal tree that describes only 64 lengths.
  Bytes shortLiteral = Concat(Concat(CompleteTree64(), CompleteTree64()), CompleteTree64());
  shortLiteral.insert(shortLiteral.end(), 8, 0xFF);
  EXPECT_EQ(Explode(shortLiteral, 4, 10).result, unzip::kStructureError);
}

}  // namespace
}  // namespace legacy_test
