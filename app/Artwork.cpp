#include "app/Artwork.h"

#include <filesystem>
#include <system_error>

void LoadArtwork(TPicture& picture, const std::string& name) {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error)
    return;
  const std::filesystem::path file = program.parent_path() / "art" / (name + ".png");
  if (!std::filesystem::exists(file, error))
    return;
  try {
    picture.LoadFromFile(file.string());
  } catch (const EInvalidGraphic&) {
    // A damaged picture file: the control stays without its picture.
  }
}
