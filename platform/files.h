// Durable file replacement: a crash or power cut leaves either the old
// content or the new, never a mixture. Safe on any thread for distinct paths.
#pragma once

#include <string>

namespace vcl {

// Writes content to a temporary file beside path, fsyncs it, renames it over
// path and fsyncs the folder. Raises vcl::Exception naming the failed step.
void ReplaceFileDurably(const std::string &path, const std::string &content);
// Removes path (missing is fine), without waiting for the disk. Raises on failure.
void RemoveFile(const std::string &path);
// Creates the folder and its parents (mode 0700 for new ones). Raises on failure.
void ForceDirectories(const std::string &path);
// The whole file; false when it does not exist. Raises when it cannot be read.
bool ReadWholeFile(const std::string &path, std::string &content);

}  // namespace vcl
