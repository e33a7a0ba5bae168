movrel recover: about .*
