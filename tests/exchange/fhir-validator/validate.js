// Checks each FHIR R4 JSON file named on the command line with two validators: the FHIR R4
// JSON schema (names, types and codes of every element) and FHIR.js (cardinalities, the
// elements a resource must have, required codes, and properties R4 does not know). Prints each finding, one a
// line, and exits 1 when there is any.
'use strict';
const fs = require('fs');
const JSONSchemaValidator = require('@asymmetrik/fhir-json-schema-validator');
const { Fhir } = require('fhir');

// FHIR writes its patterns with the whitespace of XML Schema and Java, where \s is ASCII
// whitespace only; read as ECMAScript, \s takes in every Unicode space too, and the pattern of
// a string would refuse a non-breaking or an ideographic space, which FHIR allows. The string
// pattern is read as FHIR means it: any text but vertical tab and form feed.
function asFhirMeansIt(schema) {
  const stringPattern = '^[ \\r\\n\\t\\S]+$';
  (function mend(node) {
    if (node === null || typeof node !== 'object')
      return;
    for (const key of Object.keys(node)) {
      if (key === 'pattern' && node[key] === stringPattern)
        node[key] = '^[^\\u000B\\u000C]+$';
      else
        mend(node[key]);
    }
  })(schema);
  return schema;
}

const schema = new JSONSchemaValidator(
  asFhirMeansIt(require('@asymmetrik/fhir-json-schema-validator/fhir.schema.json')));
const fhir = new Fhir();
let findings = 0;

function report(file, finding) {
  findings += 1;
  console.log(`${file}: ${finding}`);
}

// The schema's findings on a bundle name every schema an entry failed to match; each entry
// checked alone says what is wrong with it.
function schemaFindings(resource) {
  const errors = schema.validate(resource);
  if (errors.length === 0 || resource.resourceType !== 'Bundle')
    return errors.map((error) => `schema ${error.dataPath || '/'}: ${error.message}`);
  const found = [];
  (resource.entry || []).forEach((entry, i) => {
    for (const error of schema.validate(entry.resource || {}))
      found.push(`schema entry[${i}]${error.dataPath}: ${error.message}`);
  });
  return found.length > 0 ? [...new Set(found)] : ['schema /: the bundle does not match'];
}

function check(file, resource) {
  for (const finding of schemaFindings(resource))
    report(file, finding);
  // FHIR.js warns of a code it cannot find in a value set whose binding is not required (it
  // holds neither LOINC nor most of HL7's code systems); such a binding allows any code, and
  // a code outside a required one is an error. Every other warning counts.
  for (const message of fhir.validate(resource).messages)
    if (message.severity === 'error' ||
        (message.severity === 'warning' && !/ not found in value set$/.test(message.message)))
      report(file, `${message.severity} ${message.location}: ${message.message}`);
}

for (const file of process.argv.slice(2)) {
  const text = fs.readFileSync(file, 'utf8');
  // A bulk export holds one resource a line.
  const resources = file.endsWith('.ndjson')
    ? text.split('\n').filter((line) => line.length > 0).map((line) => JSON.parse(line))
    : [JSON.parse(text)];
  for (const resource of resources)
    check(file, resource);
}
console.log(findings === 0 ? 'valid FHIR R4' : `${findings} finding(s)`);
process.exit(findings === 0 ? 0 : 1);
