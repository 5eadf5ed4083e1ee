// Checks that every package in package-lock.json runs on the Node.js releases the tests meet:
// Debian 12's (18, from its first release on) and this machine's. Run from the folder the lock was
// installed into (semver comes from its node_modules). Prints each package that does not and
// exits with 1; exits with 0 when all do.
"use strict";

const path = require("path");
const semver = require("semver");

// Debian 12 first shipped Node.js 18.13.0; the lowest release of each major line we accept.
const requiredReleases = ["18.13.0", "20.0.0", process.versions.node];

const lock = require(path.resolve(process.argv[2] || "package-lock.json"));
let packages = 0;
const refused = [];
for (const [where, entry] of Object.entries(lock.packages || {})) {
  if (where === "") continue;  // The test server itself.
  ++packages;
  const range = entry.engines && entry.engines.node;
  if (!range) continue;
  for (const release of requiredReleases) {
    if (!semver.satisfies(release, range)) {
      refused.push(`${where} ${entry.version} needs node ${range}, not ${release}`);
    }
  }
}
if (packages === 0) {
  console.error("no packages in the lock file");
  process.exit(1);
}
for (const line of refused) console.error(line);
console.log(`${packages} packages, ${refused.length} refusals of ${requiredReleases.join(", ")}`);
process.exit(refused.length === 0 ? 0 : 1);
