set(LAYER_LIBRARIES OpenSSL::Crypto PkgConfig::PCRE2 nlohmann_json::nlohmann_json Threads::Threads)
