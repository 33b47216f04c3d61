set(LAYER_LIBRARIES Firebird::fbclient)
