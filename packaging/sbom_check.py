# Checks a CycloneDX 1.6 JSON document against the format's strict schema,
# with the schemas python3-cyclonedx-lib carries, and checks that the same
# document with one component's type made unknown fails, so that a validator
# that accepts anything cannot pass:
#
#   python3 sbom_check.py JSON
#
# Prints nothing and exits 0 when the document is valid.
import json
import sys

from cyclonedx.schema import SchemaVersion
from cyclonedx.validation.json import JsonStrictValidator

validator = JsonStrictValidator(SchemaVersion.V1_6)
with open(sys.argv[1], encoding='utf-8') as document:
    text = document.read()
error = validator.validate_str(text)
if error:
    sys.exit(f'{sys.argv[1]}: {error}')
broken = json.loads(text)
broken['components'][0]['type'] = 'unknown'
if not validator.validate_str(json.dumps(broken)):
    sys.exit(f'{sys.argv[1]}: the validator accepts a component of an unknown type')
