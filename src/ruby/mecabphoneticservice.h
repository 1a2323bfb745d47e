#pragma once

#include "ruby/phoneticservice.h"

#include <memory>

// The reading service over MeCab with the IPADIC dictionary.
std::unique_ptr<PhoneticService> createMecabPhoneticService();
