\{"found": true, "candidate": 501, "tried": 501, "keyspace": null, "rate": [0-9]+, "elapsed": [0-9.]+, "eta": null\}
