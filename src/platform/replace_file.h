#pragma once
// Replacing a file's whole content without ever leaving it half-written: the bytes go to a
// new file in the same folder, which is flushed to the disk and then renamed over the old
// one. Readers, and the next start after a crash or a full disk, see either the old content
// or the new, never a truncated mix.
#include <string>
#include <string_view>
#include <system_error>

namespace kelmo {

// Writes `bytes` as the new content of `path` (created when missing). On failure the file at
// `path` is as it was, the temporary file is removed, and the error says why (errno values
// on POSIX, the system's error codes on Windows). The name is UTF-8 text, passed to the
// system in its own form (platform/file_path.h).
[[nodiscard]] std::error_code replaceFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace kelmo
