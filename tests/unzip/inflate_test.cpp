// The deflate decoder on raw streams written bit by bit: every block type, the code
// construction rules, the window, and malformed or truncated input.
#include <gtest/gtest.h>

#include "tests/unzip/support.h"
#include "unzip/decode_state.h"
#include "unzip/ziptypes.h"

namespace unzip_test {
namespace {

// The code-length code of the dynamic blocks below: all 19 symbols, 13 of them with 4 bits
// and 6 with 5 bits (13/16 + 6/32 = 1, a complete code).
std::vector<unsigned> CodeLengthCode() {
  std::vector<unsigned> cl(19, 4);
  for (unsigned s : {11u, 12u, 13u, 14u, 15u, 17u}) cl[s] = 5;
  return cl;
}

// A literal/length code: `literal` and the end-of-block symbol, plus the listed extra symbols,
// with the given lengths (all others 0).
std::vector<unsigned> Lengths(unsigned count,
                              std::initializer_list<std::pair<unsigned, unsigned>> set) {
  std::vector<unsigned> l(count, 0);
  for (auto [symbol, length] : set) l[symbol] = length;
  return l;
}

// Writes a whole dynamic block header from literal/length and distance lengths.
void Header(BitWriter& w, const std::vector<unsigned>& lit, const std::vector<unsigned>& dist) {
  std::vector<unsigned> all = lit;
  all.insert(all.end(), dist.begin(), dist.end());
  DynamicHeader(w, static_cast<unsigned>(lit.size()), static_cast<unsigned>(dist.size()),
                CodeLengthCode(), 19, Plain(all));
}

TEST(InflateStored, EmptyFinalBlockGivesEmptyOutputAndOneEmptyWrite) {
  BitWriter w;
  w.Bits(1, 1);  // BFINAL
  w.Bits(0, 2);  // BTYPE 00: stored
  w.AlignToByte();
  w.Bits(0, 16);       // LEN
  w.Bits(0xFFFF, 16);  // NLEN
  const Inflated r = InflateBytes(w.Finish());
  EXPECT_EQ(r.result, 0);
  EXPECT_TRUE(r.output.empty());
  EXPECT_EQ(r.pieces, std::vector<std::size_t>{0});
}

TEST(InflateStored, NlenThatIsNotTheComplementIsAStructureError) {
  BitWriter w;
  w.Bits(1, 1);  // BFINAL
  w.Bits(0, 2);  // stored
  w.AlignToByte();
  w.Bits(5, 16);  // LEN
  w.Bits(5, 16);  // NLEN, should be 0xFFFA
  for (char c : std::string("hello")) w.Byte(static_cast<std::uint8_t>(c));
  EXPECT_EQ(InflateBytes(w.Finish()).result, unzip::kStructureError);
}

TEST(InflateStored, DataEndingInsideTheBlockIsAReadError) {
  BitWriter w;
  w.Bits(1, 1);  // BFINAL
  w.Bits(0, 2);  // stored
  w.AlignToByte();
  w.Bits(10, 16);           // LEN 10
  w.Bits(0xFFFF ^ 10, 16);  // NLEN
  w.Byte('a');              // only 1 of the 10 bytes
  EXPECT_EQ(InflateBytes(w.Finish()).result, unzip::kReadError);
}

TEST(InflateStored, OutputIsWrittenInPiecesOf32768) {
  BitWriter w;
  Bytes expected;
  for (int block = 0; block < 2; ++block) {
    w.Bits(block == 1, 1);  // BFINAL on the second block
    w.Bits(0, 2);           // stored
    w.AlignToByte();
    w.Bits(40000, 16);           // LEN
    w.Bits(0xFFFF ^ 40000, 16);  // NLEN
    for (int i = 0; i < 40000; ++i) {
      const auto b = static_cast<std::uint8_t>(i * 7 + block);
      w.Byte(b);
      expected.push_back(b);
    }
  }
  const Inflated r = InflateBytes(w.Finish());
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.output, expected);
  EXPECT_EQ(r.pieces, (std::vector<std::size_t>{32768, 32768, 80000 - 65536}));
}

TEST(InflateBlocks, BlockType3IsAStructureError) {
  BitWriter w;
  w.Bits(1, 1);  // BFINAL
  w.Bits(3, 2);  // BTYPE 11: reserved
  w.Bits(0, 16);
  EXPECT_EQ(InflateBytes(w.Finish()).result, unzip::kStructureError);
}

TEST(InflateFixed, BackReferencesCopyTheHistoryOrZerosBeforeTheFirstByte) {
  struct Case {
    unsigned literal;
    unsigned lengthSymbol;  // without extra bits
    unsigned distanceCode;
    unsigned distanceExtraBits;
    Bytes expected;
  };
  const Case cases[] = {
      {'x', 285, 0, 0, Bytes(259, 'x')},      // length 258 at distance 1 repeats the last byte
      {'a', 257, 4, 1, Bytes{'a', 0, 0, 0}},  // length 3 at distance 5 (extra bit 0) reads zeros
  };
  for (const Case& c : cases) {
    BitWriter w;
    w.Bits(1, 1);  // BFINAL
    w.Bits(1, 2);  // BTYPE 01: fixed
    FixedLiteral(w, c.literal);
    FixedLiteral(w, c.lengthSymbol);
    FixedDistance(w, c.distanceCode);
    w.Bits(0, c.distanceExtraBits);
    FixedLiteral(w, 256);  // end of block
    const Inflated r = InflateBytes(w.Finish());
    EXPECT_EQ(r.result, 0) << c.lengthSymbol;
    EXPECT_EQ(r.output, c.expected) << c.lengthSymbol;
  }
}

TEST(InflateFixed, DistanceCode30IsAStructureError) {
  BitWriter w;
  w.Bits(1, 1);  // BFINAL
  w.Bits(1, 2);  // fixed
  FixedLiteral(w, 'a');
  FixedLiteral(w, 257);  // length 3
  FixedDistance(w, 30);  // no meaning
  FixedLiteral(w, 256);
  EXPECT_EQ(InflateBytes(w.Finish()).result, unzip::kStructureError);
}

TEST(InflateFixed, LengthCode286IsAStructureError) {
  BitWriter w;
  w.Bits(1, 1);          // BFINAL
  w.Bits(1, 2);          // fixed
  FixedLiteral(w, 286);  // no meaning
  FixedLiteral(w, 256);
  EXPECT_EQ(InflateBytes(w.Finish()).result, unzip::kStructureError);
}

TEST(InflateFixed, ReferenceAcrossThePieceBoundaryContinuesAfterTheWrap) {
  BitWriter w;
  Bytes expected;
  w.Bits(0, 1);  // not final
  w.Bits(0, 2);  // stored
  w.AlignToByte();
  w.Bits(32760, 16);           // LEN
  w.Bits(0xFFFF ^ 32760, 16);  // NLEN
  for (int i = 0; i < 32760; ++i) {
    const auto b = static_cast<std::uint8_t>((i * 31) ^ (i >> 8));
    w.Byte(b);
    expected.push_back(b);
  }
  w.Bits(1, 1);          // BFINAL
  w.Bits(1, 2);          // fixed
  FixedLiteral(w, 284);  // length 227 + 5 extra bits
  w.Bits(30, 5);         // 257
  FixedDistance(w, 29);  // distance 24577 + 13 extra bits
  w.Bits(8183, 13);      // 32760: the first byte written
  FixedLiteral(w, 256);  // end of block
  for (int i = 0; i < 257; ++i) expected.push_back(expected[expected.size() - 32760]);
  const Inflated r = InflateBytes(w.Finish());
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.output, expected);
  EXPECT_EQ(r.pieces, (std::vector<std::size_t>{32768, expected.size() - 32768}));
}

TEST(InflateFixed, StreamCutShortIsAReadError) {
  BitWriter w;
  w.Bits(1, 1);  // BFINAL
  w.Bits(1, 2);  // fixed
  for (int i = 0; i < 40; ++i) FixedLiteral(w, 'a' + i % 26);
  FixedLiteral(w, 256);
  Bytes stream = w.Finish();
  stream.resize(stream.size() - 3);
  EXPECT_EQ(InflateBytes(stream).result, unzip::kReadError);
  EXPECT_EQ(InflateBytes(Bytes{}).result, unzip::kReadError);
}

TEST(InflateFixed, NonFinalBlockThenEndOfInputIsAReadError) {
  BitWriter w;
  w.Bits(0, 1);  // not final
  w.Bits(1, 2);  // fixed
  FixedLiteral(w, 'a');
  FixedLiteral(w, 256);
  EXPECT_EQ(InflateBytes(w.Finish()).result, unzip::kReadError);
}

TEST(InflateDynamic, SingleDistanceCodeOfLengthOneDecodes) {
  BitWriter w;
  w.Bits(1, 1);  // BFINAL
  w.Bits(2, 2);  // BTYPE 10: dynamic
  // 'a' 1 bit, end of block 2 bits, lengths 3 and 4 (symbols 257, 258) 3 bits: complete.
  const auto lit = Lengths(259, {{'a', 1}, {256, 2}, {257, 3}, {258, 3}});
  const auto dist = Lengths(1, {{0, 1}});  // one distance code of one bit: incomplete
  Header(w, lit, dist);
  const auto litCodes = CanonicalCodes(lit);
  w.Code(litCodes['a'], 1);
  w.Code(litCodes[258], 3);  // length 4
  w.Code(0, 1);              // distance 1
  w.Code(litCodes[256], 2);
  const Inflated r = InflateBytes(w.Finish());
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.output, Bytes(5, 'a'));
}

TEST(InflateDynamic, IncompleteLiteralLengthCodeIsAStructureError) {
  BitWriter w;
  w.Bits(1, 1);                                                         // BFINAL
  w.Bits(2, 2);                                                         // dynamic
  Header(w, Lengths(257, {{'a', 2}, {256, 2}}), Lengths(1, {{0, 1}}));  // 2 of 4 patterns
  EXPECT_EQ(InflateBytes(w.Finish()).result, unzip::kStructureError);
}

TEST(InflateDynamic, OverSubscribedCodeIsAStructureError) {
  BitWriter w;
  w.Bits(1, 1);  // BFINAL
  w.Bits(2, 2);  // dynamic
  Header(w, Lengths(257, {{'a', 1}, {'b', 1}, {256, 1}}), Lengths(1, {{0, 1}}));
  EXPECT_EQ(InflateBytes(w.Finish()).result, unzip::kStructureError);
}

TEST(InflateDynamic, OverSubscribedDistanceCodeIsAStructureError) {
  BitWriter w;
  w.Bits(1, 1);  // BFINAL
  w.Bits(2, 2);  // dynamic
  Header(w, Lengths(257, {{'a', 1}, {256, 1}}), Lengths(3, {{0, 1}, {1, 1}, {2, 1}}));
  EXPECT_EQ(InflateBytes(w.Finish()).result, unzip::kStructureError);
}

TEST(InflateDynamic, IncompleteCodeLengthCodeIsAStructureError) {
  BitWriter w;
  w.Bits(1, 1);  // BFINAL
  w.Bits(2, 2);  // dynamic
  std::vector<unsigned> cl(19, 0);
  cl[0] = 2;  // two codes of 2 bits: half the patterns free
  cl[1] = 2;
  DynamicHeader(w, 257, 1, cl, 19, {});
  EXPECT_EQ(InflateBytes(w.Finish()).result, unzip::kStructureError);
}

TEST(InflateDynamic, HlitAbove286IsAcceptedButItsSymbolsAreInvalid) {
  // 288 literal/length lengths: 'a' 1 bit, end of block 2 bits, 286 and 287 3 bits.
  const auto lit = Lengths(288, {{'a', 1}, {256, 2}, {286, 3}, {287, 3}});
  const auto dist = Lengths(1, {{0, 1}});
  const auto codes = CanonicalCodes(lit);
  {
    BitWriter w;
    w.Bits(1, 1);  // BFINAL
    w.Bits(2, 2);  // dynamic
    Header(w, lit, dist);
    w.Code(codes['a'], 1);
    w.Code(codes[286], 3);  // meaningless length symbol
    w.Code(codes[256], 2);
    EXPECT_EQ(InflateBytes(w.Finish()).result, unzip::kStructureError);
  }
  {
    BitWriter w;
    w.Bits(1, 1);
    w.Bits(2, 2);
    Header(w, lit, dist);
    w.Code(codes['a'], 1);
    w.Code(codes['a'], 1);
    w.Code(codes[256], 2);
    const Inflated r = InflateBytes(w.Finish());
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.output, Bytes(2, 'a'));
  }
}

TEST(InflateDynamic, RepeatOverrunsGiveTheirCodes) {
  const auto cl = CodeLengthCode();
  auto stream = [&](unsigned symbol, unsigned extra) {
    BitWriter w;
    w.Bits(1, 1);  // BFINAL
    w.Bits(2, 2);  // dynamic
    // 258 lengths (HLIT 257, HDIST 1): a 1, then 138 and 117 zeros (18 with extra 127 and
    // 106) leave 2 to give; the last repeat, at least 3, runs past them.
    std::vector<LengthSymbol> seq = {{1}, {18, 127}, {18, 106}};
    seq.push_back({symbol, extra});
    DynamicHeader(w, 257, 1, cl, 19, seq);
    return w.Finish();
  };
  EXPECT_EQ(InflateBytes(stream(16, 0)).result, unzip::kBadHuffmanHeader);  // 3 copies
  EXPECT_EQ(InflateBytes(stream(17, 0)).result, unzip::kBadHuffmanHeader);  // 3 zeros
  EXPECT_EQ(InflateBytes(stream(18, 0)).result, unzip::kStructureError);    // 11 zeros
}

}  // namespace
}  // namespace unzip_test

namespace unzip_test {
namespace {

TEST(Crc32, MatchesTheBitwiseDefinitionForEveryLengthAndAlignment) {
  Bytes data(1300);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 131 + 7);
  for (std::size_t offset = 0; offset < 16; ++offset) {
    for (std::size_t size = 0; offset + size <= data.size(); size += 1 + size / 8) {
      const Bytes part(data.begin() + offset, data.begin() + offset + size);
      EXPECT_EQ(~unzip::UpdateCrc32(0xFFFFFFFFu, data.data() + offset, size), BitwiseCrc32(part))
          << offset << " " << size;
    }
  }
}

}  // namespace
}  // namespace unzip_test
