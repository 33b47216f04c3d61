#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Mapping request paths onto the static web root, and storing uploaded files under names that
// stay inside their folder.

// Replaces the escapes of the characters that file paths use, each everywhere in `path`, in this
// order: %20 %21 %22 %23 %24 %25 %26 %27 %28 %29 %2A %2B %2C %2D %2E %2F %3A %3B %3C %3D %3E %3F
// %40 %5B %5C %5D %5E %5F %60 %7B %7C %7D %7E.  Lower-case escapes and escapes of other bytes stay
// as they are.
std::string DecodeFilePathEscapes(std::string path);

// The file under `root` that a request path names: escapes decoded, anything from the first "?"
// dropped, "/" and "\" both taken as separators, empty and "." segments skipped.  Nothing is
// returned for a path that could leave the root or reach what it must not serve: a ".." segment,
// a ":" (drive letters, alternate streams), a control character, a path that does not start with
// one separator (absolute and network paths), the root itself, and anything under the root's
// "temp" folder in any case, where uploaded files live.  Whether the file exists is not checked.
std::optional<std::filesystem::path> ResolveStaticFile(const std::filesystem::path& root,
                                                       std::string_view requestPath);

// The longest name an uploaded file is stored under, in bytes, leaving room for a suffix within
// the file systems' limit of 255.
inline constexpr std::size_t MaxUploadNameBytes = 200;

// The name an uploaded file may be stored under: the last component of the name the browser sent
// (after its last "/" or "\"), without ":" and control characters.  Empty when nothing safe is
// left: an empty name, one of dots and blanks only, one longer than MaxUploadNameBytes, or a
// device name of Windows (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, in any case, with or
// without an extension).  Other names are kept as they are.
std::string SanitizeUploadName(std::string_view name);

// A file this process has just created, open for writing; closed when the object goes.
class TCreatedFile {
public:
  TCreatedFile(TCreatedFile&& other) noexcept;
  TCreatedFile& operator=(TCreatedFile&& other) noexcept;
  ~TCreatedFile();

  const std::filesystem::path& Path() const { return FPath; }
  bool IsOpen() const { return FHandle >= 0; }
  // Writes all of `bytes`; throws std::system_error when the file cannot take them.
  void Write(std::string_view bytes);
  // Closes the file (once; later calls do nothing); throws std::system_error when the data could
  // not be stored.
  void Close();

private:
  friend TCreatedFile CreateUniqueFile(const std::filesystem::path& dir, const std::string& name);
  TCreatedFile(std::filesystem::path path, int handle) : FPath(std::move(path)), FHandle(handle) {}

  std::filesystem::path FPath;
  int FHandle = -1;
};

// Creates a new file named `name` in `dir`; when that name is taken, base + "-" + eight random
// letters and digits + extension (foto.png, foto-Xa81kQz0.png).  Each file is created
// exclusively, so two uploads racing for one name get two files.  `name` must be a name that
// SanitizeUploadName keeps unchanged (std::invalid_argument otherwise); other failures throw
// std::system_error.
TCreatedFile CreateUniqueFile(const std::filesystem::path& dir, const std::string& name);

// The folder of a request path that the reload cookies are set for: the path up to its last "/",
// when it starts with "/" and holds nothing but letters, digits and "/._-"; "/" otherwise, so
// that nothing a request sends can add attributes to a cookie.
std::string CookieFolder(std::string_view APath);
