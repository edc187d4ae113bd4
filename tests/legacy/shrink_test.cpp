// Unshrink on streams from the test encoder (each also checked with Info-ZIP unzip) and on
// hand-made malformed streams.
#include <gtest/gtest.h>

#include "tests/legacy/encoders.h"
#include "tests/legacy/legacy_harness.h"
#include "tests/legacy/samples.h"
#include "tests/legacy/support.h"
#include "unzip/ziptypes.h"

namespace legacy_test {
namespace {

constexpr std::uint16_t kShrunk = 1;

// Round trip: our decoder gives back the content, and so does Info-ZIP.
void ExpectRoundTrip(const Bytes& content, const ShrinkOptions& options,
                     ShrinkStats* stats = nullptr) {
  const Bytes stream = Shrink(content, options, stats);
  const DecodeRun run = RunDecoder(Method::kShrink, 0, stream, 0);
  ASSERT_EQ(run.result, unzip::kUnzipOk);
  EXPECT_EQ(run.output, content);
  EXPECT_EQ(run.crc, BitwiseCrc32(content));
  if (HaveInfoZip()) {
    EXPECT_EQ(InfoZipTest(kShrunk, 0, content, stream), 0);
  }
}

// Bits packed from the least significant end, as the hand-made streams below need.
struct Codes {
  Bytes bytes;
  unsigned used = 0;
  Codes& Add(std::uint32_t code, unsigned width) {
    for (unsigned i = 0; i < width; ++i) {
      if (used == 0) bytes.push_back(0);
      if ((code >> i) & 1) bytes.back() |= static_cast<std::uint8_t>(1u << used);
      used = (used + 1) & 7;
    }
    return *this;
  }
};

TEST(Unshrink, CodeWidthGrowsFrom9To13) {
  // About 8000 codes: the encoder needs every width up to 13 and fills the table once.
  const Bytes content = WordText(60000, 1);
  ShrinkStats stats;
  ExpectRoundTrip(content, {}, &stats);
  EXPECT_EQ(stats.widthIncreases, 4u);
  EXPECT_EQ(stats.partialClears, 1u);
}

TEST(Unshrink, FullTableWithoutClearingDefinesNothingMore) {
  // Info-ZIP unzip refuses such a stream; the decoder goes on with the codes it has.
  const Bytes content = WordText(90000, 13);
  ShrinkOptions options;
  options.clearWhenFull = false;
  const DecodeRun run = RunDecoder(Method::kShrink, 0, Shrink(content, options), 0);
  ASSERT_EQ(run.result, unzip::kUnzipOk);
  EXPECT_EQ(run.output, content);
}

TEST(Unshrink, WidthAbove13IsAStructureError) {
  const Bytes content = WordText(2000, 2);
  ShrinkOptions options;
  options.startWidth = 13;
  ExpectRoundTrip(content, options);

  options.growthAtEnd = 1;
  const Bytes stream = Shrink(content, options);
  const DecodeRun run = RunDecoder(Method::kShrink, 0, stream, 0);
  EXPECT_EQ(run.result, unzip::kStructureError);
  if (HaveInfoZip()) {
    EXPECT_NE(InfoZipTest(kShrunk, 0, content, stream), 0);
  }
}

TEST(Unshrink, FreeCodeStandsForPreviousStringAndItsFirstByte) {
  // "aaaa..." and "abababa..." are sent with codes the decoder has not yet defined.
  for (const Bytes& content : {Repeat('a', 1000), Concat(WordText(30, 3), Repeat('b', 77)),
                               Bytes{'a', 'b', 'a', 'b', 'a', 'b', 'a'}}) {
    ShrinkStats stats;
    ExpectRoundTrip(content, {}, &stats);
    EXPECT_GT(stats.freeCodesUsed, 0u);
  }
}

// Partial clearing frees the childless codes, which are then reused lowest first: before any
// code is defined, at arbitrary points while the table fills, and (no clearing asked for) each
// time the table is full, as PKZIP does it.
TEST(Unshrink, PartialClearing) {
  const struct {
    Bytes content;
    std::vector<std::size_t> clearBefore;
    unsigned clears;  // at least
  } cases[] = {
      {WordText(3000, 4), {1, 2}, 2},
      {Concat(WordText(20000, 5), NoisyBytes(2000, 6)), {40, 41, 500, 6000, 15000}, 5},
      {Concat(NoisyBytes(17000, 7), WordText(3000, 8)), {}, 2},
  };
  for (const auto& c : cases) {
    ShrinkOptions options;
    options.clearBefore = c.clearBefore;
    ShrinkStats stats;
    ExpectRoundTrip(c.content, options, &stats);
    if (c.clearBefore.empty()) {
      EXPECT_GE(stats.partialClears, c.clears);
    } else {
      EXPECT_EQ(stats.partialClears, c.clears);
    }
  }
}

TEST(Unshrink, WritesPiecesOf767Bytes) {
  const Bytes content = WordText(767 * 3 + 100, 9);
  const DecodeRun run = RunDecoder(Method::kShrink, 0, Shrink(content, {}), 0);
  ASSERT_EQ(run.result, unzip::kUnzipOk);
  EXPECT_EQ(run.writes, (std::vector<std::size_t>{767, 767, 767, 100}));
}

TEST(Unshrink, EmptyAndSingleByteMembers) {
  EXPECT_TRUE(RunDecoder(Method::kShrink, 0, {}, 0).output.empty());
  const Bytes one = Shrink(Bytes{'Q'}, {});
  ASSERT_EQ(one.size(), 2u);
  const DecodeRun run = RunDecoder(Method::kShrink, 0, one, 1);
  EXPECT_EQ(run.result, unzip::kUnzipOk);
  EXPECT_EQ(run.output, Bytes{'Q'});
  // One byte of data holds no code: nothing is produced.
  const DecodeRun tiny = RunDecoder(Method::kShrink, 0, Bytes{'Q'}, 0);
  EXPECT_EQ(tiny.result, unzip::kUnzipOk);
  EXPECT_TRUE(tiny.output.empty());
}

TEST(Unshrink, DeferredSizesAreRefused) {
  const DecodeRun run =
      RunDecoder(Method::kShrink, 8, Shrink(WordText(100, 10), {}), 0, 2147483647);
  EXPECT_EQ(run.result, unzip::kUnsupportedMethod);
  EXPECT_TRUE(run.writes.empty());
}

TEST(Unshrink, TruncatedInputIsAReadError) {
  const Bytes content = WordText(5000, 11);
  Bytes stream = Shrink(content, {});
  const auto full = static_cast<std::int32_t>(stream.size());
  stream.resize(stream.size() / 2);
  EXPECT_EQ(RunDecoder(Method::kShrink, 0, stream, 0, full).result, unzip::kReadError);
}

TEST(Unshrink, MalformedStreams) {
  // A control code other than 1 and 2.
  EXPECT_EQ(
      RunDecoder(Method::kShrink, 0, Codes{}.Add('a', 9).Add(256, 9).Add(3, 9).bytes, 0).result,
      unzip::kStructureError);
  // The first code is no byte, and a free code then continues from it.
  EXPECT_EQ(RunDecoder(Method::kShrink, 0, Codes{}.Add(300, 9).Add(257, 9).bytes, 0).result,
            unzip::kStructureError);
  // A code whose string runs back into itself: "a", "b", "c", 257 ("ab") define 257..259;
  // a partial clearing frees all three, the next literal redefines 257 as 257 followed by
  // "x", and sending 257 must stop at the end of the stack.
  const Bytes loop = Codes{}
                         .Add('a', 9)
                         .Add('b', 9)
                         .Add('c', 9)
                         .Add(257, 9)
                         .Add(256, 9)
                         .Add(2, 9)
                         .Add('x', 9)
                         .Add(257, 9)
                         .bytes;
  EXPECT_EQ(RunDecoder(Method::kShrink, 0, loop, 0).result, unzip::kStructureError);
}

TEST(Unshrink, AbortFlagStopsDecoding) {
  const DecodeRun run = RunDecoder(Method::kShrink, 0, Shrink(WordText(5000, 14), {}), 0, -1,
                                   Writes::kAbortAfterFirst);
  EXPECT_EQ(run.result, unzip::kAborted);
  EXPECT_EQ(run.writes, std::vector<std::size_t>{767});
}

TEST(Unshrink, FailedWriteIsAWriteError) {
  const Bytes stream = Shrink(WordText(3000, 12), {});
  EXPECT_EQ(RunDecoder(Method::kShrink, 0, stream, 0, -1, Writes::kFail).result,
            unzip::kWriteError);
  const Bytes small = Shrink(WordText(300, 12), {});
  EXPECT_EQ(RunDecoder(Method::kShrink, 0, small, 0, -1, Writes::kFail).result, unzip::kWriteError);
}

}  // namespace
}  // namespace legacy_test
