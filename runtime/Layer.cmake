set(LAYER_LIBRARIES OpenSSL::Crypto PkgConfig::PCRE2 PkgConfig::SODIUM nlohmann_json::nlohmann_json Threads::Threads)
