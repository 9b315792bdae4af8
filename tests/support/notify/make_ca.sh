#!/bin/sh
# A certificate authority of the test's own and a server certificate it
# signed for the IP address $2, in the folder $1: ca.pem, server.pem,
# server.key.
set -e
cd "$1"
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 -subj "/CN=Vigil test CA" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj "/CN=$2" 2>/dev/null
printf 'subjectAltName=IP:%s\n' "$2" > san.ext
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem -days 2 -extfile san.ext 2>/dev/null
