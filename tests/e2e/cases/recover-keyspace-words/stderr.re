movrel recover: about [0-9]+ s at [0-9]+ M/s on this machine \(1 thread, [a-z0-9]+\)
