#pragma once
#include <string>

// Installs what the product would have installed for the demo model, and
// removes exactly that again. Errors come back as a message.
namespace install {

// dir: the install directory (must exist); soundSource: the folder with the
// wave files to copy there.
bool Install(const std::string& dir, const std::string& soundSource, std::string* error);
// Removes the demo installation; a missing part is not an error.
bool Remove(std::string* removedFrom, std::string* error);

} // namespace install
