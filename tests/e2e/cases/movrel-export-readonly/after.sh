#!/bin/sh
chattr -i ro 2>/dev/null; chmod 755 ro
ls -A ro
