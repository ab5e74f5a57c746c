#pragma once
// Many atomic writes in a row, such as one command run over a card of
// photos. While a WriteBatch lives, the atomic writes of this process share
// two steps that are the same for every file of a folder:
// - the clean-up of the temporary files a killed run left behind walks a
//   folder at the first write into it only (not at every file: a folder of
//   thousands of photos would be listed thousands of times);
// - the folder itself is flushed to disk once, when the batch ends, instead
//   of after every rename. Each file's own bytes are still flushed before it
//   replaces the old one, so no file is ever half written; what waits for the
//   end of the batch is only that the renames outlast a crash of the whole
//   system. An interrupted batch flushes all the same: the destructor does
//   on errors and exceptions, and the temporary files' signal handlers do on
//   SIGINT, SIGTERM and SIGHUP.
// Batches may be nested and used from several threads; the outermost one
// flushes.
#include <filesystem>

namespace pixaldo {

class WriteBatch {
 public:
  WriteBatch();
  ~WriteBatch();  // flushes what is still waiting (a failure is then not reported)
  WriteBatch(const WriteBatch&) = delete;
  WriteBatch& operator=(const WriteBatch&) = delete;

  // Flushes the folders written into so far. Throws FileError naming the
  // first folder that could not be flushed.
  void Finish();

  // For the writers. Whether the leftovers of `folder` are to be cleaned by
  // this write: always outside a batch, the first time for each folder in one.
  static bool FirstWriteInto(const std::filesystem::path& folder);
  // Whether the batch takes over flushing `folder` (false outside a batch,
  // or when it holds as many folders as it can: the writer flushes then).
  static bool DefersFlushOf(const std::filesystem::path& folder);
  // Flushes every folder waiting, from a signal handler: only calls that are
  // safe there.
  static void FlushForSignal() noexcept;
};

}  // namespace pixaldo
