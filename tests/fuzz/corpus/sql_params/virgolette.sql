UPDATE x SET a = "::", b = :b -- :c
