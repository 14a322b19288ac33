// The cost of merely moving the bytes, for comparison with a conversion:
//   file_copy whole  IN OUT   reads the file whole into fresh memory, writes it back
//   file_copy stream IN OUT   streams it through one 1 MiB buffer
//   file_copy safe   IN OUT   the same into a file beside OUT, flushed to disk and
//                             renamed over OUT, as a writer that never leaves a
//                             half-written file must
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4) return 1;
  const bool safe = std::strcmp(argv[1], "safe") == 0;
  const std::string target = argv[3];
  const std::string written = safe ? target + ".copy.tmp" : target;
  std::FILE* in = std::fopen(argv[2], "rb");
  std::FILE* out = std::fopen(written.c_str(), "wb");
  if (!in || !out) return 1;
  if (std::strcmp(argv[1], "whole") == 0) {
    std::fseek(in, 0, SEEK_END);
    std::vector<char> bytes(static_cast<std::size_t>(std::ftell(in)));
    std::fseek(in, 0, SEEK_SET);
    if (std::fread(bytes.data(), 1, bytes.size(), in) != bytes.size()) return 1;
    std::fwrite(bytes.data(), 1, bytes.size(), out);
  } else {
    std::vector<char> buffer(1 << 20);
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0;)
      std::fwrite(buffer.data(), 1, n, out);
  }
  if (safe && (std::fflush(out) != 0 || ::fdatasync(fileno(out)) != 0)) return 1;
  if (std::fclose(out) != 0 || std::fclose(in) != 0) return 1;
  return safe && std::rename(written.c_str(), target.c_str()) != 0 ? 1 : 0;
}
