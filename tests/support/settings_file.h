// Settings files the tests start from.
#pragma once

#include <string>

namespace testing_support {

// The ten options all on, as the settings dialog's OK (or the release) writes
// them into a new file.
inline const std::string kTenOptionsOn =
    "[HTML]\r\nHR=1\r\nBR=1\r\nP=1\r\nIMG=1\r\nANAME=1\r\nAHREF=1\r\nAHREFSharp=1\r\n"
    "[HR]\r\nNUM=5\r\n[GENERAL]\r\nENTER=1\r\nA_LINK_TAG_TYPE=1\r\n";

}  // namespace testing_support
