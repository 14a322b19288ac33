#include "platform/profile_file.h"

namespace platform {

ProfileFile& SystemProfile() {
  return PortableProfile();
}

}  // namespace platform
