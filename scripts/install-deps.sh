#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, run, test,
# benchmark and fuzz. Safe to run again; needs root (or sudo).
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config git clang clang-format libclang-rt-14-dev
  # Qt 6: widgets, SQL (SQLite and PostgreSQL drivers), network, printing, translations
  # (qt6-tools-dev: the CMake support for lupdate and lrelease)
  qt6-base-dev qt6-base-dev-tools qt6-l10n-tools qt6-tools-dev qt6-translations-l10n libqt6sql6-sqlite libqt6sql6-psql libgl-dev
  # (qt6-charts-dev: the closing's chart)
  qt6-charts-dev libqt6opengl6-dev
  # storage
  libsqlite3-dev sqlite3 libpq-dev postgresql postgresql-client
  # HTTP and JSON; TLS (OpenSSL) and password hashing (libsodium's Argon2id)
  libcpp-httplib-dev libsimdjson-dev libssl-dev zlib1g-dev libbrotli-dev libboost-dev libsodium-dev openssl
  # operators' passwords: length, dictionary (cracklib's, from cracklib-runtime), repeats
  libpwquality-dev cracklib-runtime
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  # headless desktop for screen tests and screenshots
  xvfb xauth x11-apps imagemagick fonts-dejavu-core
  curl procps
  # printouts checked as text; packaging and deployment checks
  poppler-utils lintian haproxy dpkg-dev fakeroot file
)

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${PACKAGES[@]}"
