movrel recover: stage 1 of [67]: the empty password and 1 to 10 digits: 11,111,111,111 candidates, about .* at [0-9]+ M/s
movrel recover: found: candidate 54 of [0-9]+
