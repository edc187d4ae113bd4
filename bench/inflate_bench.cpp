// Inflate in memory: the extractor's decoder (which also runs the CRC-32 over its output, as
// every extraction does) against zlib's inflate and libdeflate, on about 100 MB of mixed
// text (headers from /usr/include) and binaries (libraries from /usr/lib) compressed by zlib
// at level 9 as a raw deflate stream.
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "unzip/inflate.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Appends the files below `root` (in name order) whose names pass `keep` until `limit` bytes.
void Gather(const fs::path& root, bool (*keep)(const fs::path&), std::size_t limit, Bytes& out) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(
           root, fs::directory_options::skip_permission_denied, ec);
       it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file(ec) && !it->is_symlink(ec) && keep(it->path()))
      files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  const std::size_t end = out.size() + limit;
  for (const fs::path& f : files) {
    std::ifstream in(f, std::ios::binary);
    Bytes data((std::istreambuf_iterator<char>(in)), {});
    out.insert(out.end(), data.begin(), data.begin() + std::min(data.size(), end - out.size()));
    if (out.size() >= end) break;
  }
}

struct Corpus {
  Bytes plain;
  Bytes deflated;
};

const Corpus& TheCorpus() {
  static const Corpus corpus = [] {
    Corpus c;
    Gather(
        "/usr/include", [](const fs::path& p) { return p.extension() == ".h"; }, 50u << 20,
        c.plain);
    Gather(
        "/usr/lib",
        [](const fs::path& p) {
          const std::string n = p.filename().string();
          return n.find(".so") != std::string::npos || p.extension() == ".a";
        },
        50u << 20, c.plain);
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
      throw std::runtime_error("deflateInit2");
    }
    c.deflated.resize(deflateBound(&z, c.plain.size()));
    z.next_in = c.plain.data();
    z.avail_in = static_cast<uInt>(c.plain.size());
    z.next_out = c.deflated.data();
    z.avail_out = static_cast<uInt>(c.deflated.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    c.deflated.resize(z.total_out);
    deflateEnd(&z);
    return c;
  }();
  return corpus;
}

void Finish(benchmark::State& state, const Corpus& c, const Bytes& out) {
  if (out != c.plain) state.SkipWithError("output differs from the input");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.plain.size()));
  state.counters["ratio"] = static_cast<double>(c.deflated.size()) / c.plain.size();
}

void BM_Extractor(benchmark::State& state) {
  const Corpus& c = TheCorpus();
  Bytes out(c.plain.size());
  for (auto _ : state) {
    std::size_t at = 0;
    const std::int32_t rc = unzip::InflateBuffer(c.deflated.data(), c.deflated.size(),
                                                 [&](const std::uint8_t* data, std::size_t size) {
                                                   if (at + size > out.size()) return false;
                                                   std::memcpy(out.data() + at, data, size);
                                                   at += size;
                                                   return true;
                                                 });
    if (rc != 0 || at != out.size()) state.SkipWithError("inflate failed");
  }
  Finish(state, c, out);
}

// zlib's inflate, with or without a CRC-32 over the output.
void RunZlib(benchmark::State& state, bool crc) {
  const Corpus& c = TheCorpus();
  Bytes out(c.plain.size());
  for (auto _ : state) {
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = const_cast<Bytef*>(c.deflated.data());
    z.avail_in = static_cast<uInt>(c.deflated.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    if (inflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("zlib failed");
    inflateEnd(&z);
    if (crc) benchmark::DoNotOptimize(crc32(0, out.data(), static_cast<uInt>(out.size())));
  }
  Finish(state, c, out);
}

// libdeflate, with or without its CRC-32 over the output.
void RunLibdeflate(benchmark::State& state, bool crc) {
  const Corpus& c = TheCorpus();
  Bytes out(c.plain.size());
  libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  for (auto _ : state) {
    std::size_t got = 0;
    if (libdeflate_deflate_decompress(d, c.deflated.data(), c.deflated.size(), out.data(),
                                      out.size(), &got) != LIBDEFLATE_SUCCESS) {
      state.SkipWithError("libdeflate failed");
    }
    if (crc) benchmark::DoNotOptimize(libdeflate_crc32(0, out.data(), out.size()));
  }
  libdeflate_free_decompressor(d);
  Finish(state, c, out);
}

void BM_Zlib(benchmark::State& state) { RunZlib(state, false); }
void BM_ZlibWithCrc(benchmark::State& state) { RunZlib(state, true); }
void BM_Libdeflate(benchmark::State& state) { RunLibdeflate(state, false); }
void BM_LibdeflateWithCrc(benchmark::State& state) { RunLibdeflate(state, true); }

BENCHMARK(BM_Extractor)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Zlib)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ZlibWithCrc)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Libdeflate)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LibdeflateWithCrc)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
