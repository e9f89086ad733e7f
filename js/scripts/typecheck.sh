#!/bin/sh
# Type-checks the example consumers against the package's declarations with
# both TypeScript lines the package supports (5.9 and 7, from the
# development dependencies), --strict and without skipLibCheck: every
# export with esnext.disposable (`using`), and a consumer under ES2022 and
# the DOM alone, a lib that has no Symbol.dispose.
set -eu
cd "$(dirname "$0")/.."
for tsc in typescript typescript7; do
  for project in examples/tsconfig.json examples/tsconfig.es2022.json; do
    echo "$tsc $(node node_modules/$tsc/bin/tsc --version): $project"
    node node_modules/$tsc/bin/tsc --strict --noEmit -p $project
  done
done
