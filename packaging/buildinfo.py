# Reads a build record with python3-debian's parser, as Debian's tools read
# a .buildinfo, and prints what the release step holds against the system
# and the release folder: each package installed here, fetched, or installed
# in the build root, with its version, and each checksum with the file's size
# and name.  It fails on a record that lacks a field deb-buildinfo(5)
# requires, or whose source, checksums or packages do not parse.
import sys
from debian import deb822

with open(sys.argv[1], encoding="utf-8") as f:
    record = deb822.BuildInfo(f)
required = ["Format", "Source", "Binary", "Architecture", "Version", "Checksums-Md5", "Checksums-Sha1",
            "Checksums-Sha256", "Build-Architecture", "Installed-Build-Depends", "Environment"]
missing = [field for field in required if field not in record]
if missing:
    sys.exit("the build record lacks " + ", ".join(missing))
print("source", record.get_source()[0], record.get_version())
for field, kind in (("Installed-Build-Depends", "installed"), ("Fetched-Build-Depends", "fetched"),
                    ("Build-Root-Depends", "root")):
    for relation in deb822.PkgRelation.parse_relations(record.get(field, "")):
        (package,) = relation
        name = package["name"] + (":" + package["archqual"] if package["archqual"] else "")
        if package["version"] is None or package["version"][0] != "=":
            sys.exit(f"{field}: {name} without its exact version")
        print(kind, name, package["version"][1])
for field, key in (("Checksums-Md5", "md5"), ("Checksums-Sha1", "sha1"), ("Checksums-Sha256", "sha256")):
    for entry in record[field]:
        print(key + "sum", entry[key], entry["size"], entry["name"])
