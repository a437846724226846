# The release's SPDX document (tag-value) written again as a CycloneDX 1.6
# JSON document, from the same data:
#
#   python3 sbom.py SPDX-DOCUMENT >JSON
#
# Each package and file becomes a component, its SPDX identifier its bom-ref;
# CONTAINS becomes a dependency, GENERATED_FROM and GENERATES a property.
import json
import sys
import uuid

entities, document, relationships = [], {}, []
with open(sys.argv[1], encoding='utf-8') as spdx:
    lines = iter(spdx.read().splitlines())
for line in lines:
    if not line:
        continue
    tag, _, value = line.partition(': ')
    while value.startswith('<text>') and not value.endswith('</text>'):
        value += '\n' + next(lines)
    value = value.removeprefix('<text>').removesuffix('</text>')
    if tag == 'Relationship':
        relationships.append(value.split(' '))
    elif tag in ('PackageName', 'FileName'):
        entities.append({'kind': tag, tag: [value]})
    elif entities:
        entities[-1].setdefault(tag, []).append(value)
    else:
        document.setdefault(tag, []).append(value)


def known(values):
    return [v for v in values if v not in ('NOASSERTION', 'NONE')]


def hashes(values):
    names = {'SHA1': 'SHA-1', 'SHA256': 'SHA-256'}
    return [{'alg': names[a], 'content': c} for a, c in (v.split(': ') for v in values)]


def component(e):
    first = {k: v[0] for k, v in e.items() if k != 'kind'}
    purpose = first.get('PrimaryPackagePurpose')
    kind = {'INSTALL': 'application', 'ARCHIVE': 'application', None: 'library'}.get(purpose, 'file')
    if e['kind'] == 'FileName':
        kind = 'file'
    c = {'type': kind, 'bom-ref': first['SPDXID']}
    if first.get('PackageSupplier', '').startswith('Organization: '):
        c['supplier'] = {'name': first['PackageSupplier'].removeprefix('Organization: ')}
    c['name'] = first.get('PackageName', first.get('FileName'))
    if 'PackageVersion' in first:
        c['version'] = first['PackageVersion']
    if 'PackageComment' in first:
        c['description'] = first['PackageComment']
    sums = hashes(e.get('PackageChecksum', []) + e.get('FileChecksum', []))
    if sums:
        c['hashes'] = sums
    licences = known(e.get('PackageLicenseDeclared', []) or e.get('LicenseInfoInFile', []))
    if licences:
        c['licenses'] = [{'expression': ' AND '.join(licences)}]
    copyright = known(e.get('PackageCopyrightText', []) + e.get('FileCopyrightText', []))
    if copyright:
        c['copyright'] = copyright[0]
    for ref in e.get('ExternalRef', []):
        _, kind, locator = ref.split(' ')
        c['cpe' if kind == 'cpe23Type' else 'purl'] = locator
    if known(e.get('PackageDownloadLocation', [])):
        c['externalReferences'] = [{'url': first['PackageDownloadLocation'], 'type': 'distribution'}]
    properties = [{'name': 'spdx:' + r, 'value': to} for f, r, to in relationships
                  if f == first['SPDXID'] and r in ('GENERATED_FROM', 'GENERATES')]
    if properties:
        c['properties'] = properties
    return c


dependencies = {}
for f, r, to in relationships:
    if r == 'CONTAINS':
        dependencies.setdefault(f, []).append(to)
name, _, version = document['DocumentName'][0].partition('-')
tools = [t.removeprefix('Tool: ').rpartition('-') for t in document['Creator'] if t.startswith('Tool: ')]
bom = {
    'bomFormat': 'CycloneDX',
    'specVersion': '1.6',
    'serialNumber': uuid.uuid5(uuid.NAMESPACE_URL, document['DocumentNamespace'][0]).urn,
    'version': 1,
    'metadata': {
        'timestamp': document['Created'][0],
        'tools': {'components': [{'type': 'application', 'name': n, 'version': v} for n, _, v in tools]},
        'component': {'type': 'application', 'bom-ref': 'SPDXRef-DOCUMENT', 'name': name, 'version': version},
    },
    'components': [component(e) for e in entities],
    'dependencies': [{'ref': f, 'dependsOn': to} for f, to in dependencies.items()],
}
json.dump(bom, sys.stdout, indent=1, ensure_ascii=False)
print()
