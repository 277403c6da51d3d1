#!/usr/bin/env python3
"""Loads every generated WSDL document of output directories with a SOAP
client library and checks each operation's input and output signatures
against the parameter rows of the repository the documents came from.

    zeep_load.py SOAP_ENCODING_XSD OUTPUT_DIR FILES_JSON [OUTPUT_DIR FILES_JSON]...

FILES_JSON is the --json output of the quenbar-cli run that generated the
documents: it names each interface's file.

The repository (OUTPUT_DIR/ParadoxDB/Interfaces.db) is read directly, so the
expectation does not pass through the generator. Fails when zeep is missing.
"""

import json
import os
import sqlite3
import sys

try:
    import zeep
    from zeep.transports import Transport
except ImportError as error:  # the check must not pass without the library
    print("zeep is not installed (Debian: python3-zeep): %s" % error, file=sys.stderr)
    sys.exit(1)

SOAP_ENCODING = "http://schemas.xmlsoap.org/soap/encoding/"


class LocalTransport(Transport):
    """Serves the SOAP encoding schema from a local copy and nothing else
    from the network."""

    def __init__(self, encoding_schema):
        super().__init__()
        with open(encoding_schema, "rb") as f:
            self._encoding = f.read()

    def load(self, url):
        if url.rstrip("/") == SOAP_ENCODING.rstrip("/"):
            return self._encoding
        if "://" in url and not url.startswith("file://"):
            raise IOError("refused to fetch %s" % url)
        return super().load(url)


def written_files(files_json):
    """The WSDL file of each interface, by (name, CSV name), as the
    workbench's JSON output of the run that wrote them lists them."""
    with open(files_json, encoding="utf-8") as f:
        items = json.load(f).get("files", [])
    return {(i.get("interface") or "", i.get("csvName") or ""): i.get("wsdl") for i in items}


def message_tree(rows):
    """Rows (level, name, type, simple, array, sequence type) in key order as
    nested (name, type, simple, array, sequence type, members) tuples."""
    top = []
    stack = []  # (level, members list)
    for level, name, type_x, simple, array, sequence in rows:
        node = (name, type_x, bool(simple), bool(array), sequence or "", [])
        while stack and stack[-1][0] >= level:
            stack.pop()
        if not stack:
            top.append(node)
        elif level == stack[-1][0] + 1:
            stack[-1][1].append(node)
        stack.append((level, node[5]))
    return top


def local_name(qname):
    return qname.localname if qname is not None else None


def compare(path, expected, element, problems, outer=()):
    """One parameter row against the element zeep made of it; descends into
    the members of non-array complex types. outer holds the types of the
    rows around it: a type that contains itself has no member rows where it
    repeats, while the client shows its members there again."""
    name, type_x, simple, array, sequence, members = expected
    if element.name != name:
        problems.append("%s: element %r where the repository has %r" % (path, element.name, name))
        return
    xsd_type = element.type
    # An anonymous type carries no name; a named one must be the row's.
    type_name = local_name(getattr(xsd_type, "qname", None))
    if type_name is not None and type_name != type_x:
        problems.append("%s/%s: type %r where the repository has %r" % (path, name, type_name, type_x))
    if simple:
        return
    if sequence in ("complexContent", "simpleContent") and (not members or members[0][3]):
        return  # an array
    if not members and type_x in outer:
        return  # where a type repeats inside itself
    got = [e for _, e in getattr(xsd_type, "elements", [])]
    if [e.name for e in got] != [m[0] for m in members]:
        problems.append("%s/%s: members %r where the repository has %r"
                        % (path, name, [e.name for e in got], [m[0] for m in members]))
        return
    for member, e in zip(members, got):
        compare(path + "/" + name, member, e, problems, outer + (type_x,))


def check_operation(db, operation_key, operation, where):
    problems = []
    checked = 0
    messages = db.execute("select Kulcs, TypeX, Name from InputsOutputs where UpPointer = ? order by Kulcs",
                          (operation_key,)).fetchall()
    for message_key, direction, message_name in messages:
        if direction not in ("input", "output"):
            continue
        rows = db.execute("select LevelX, Name, TypeX, XS_Type, XS_Array, SequenceType from Parameters "
                          "where UpPointer = ? order by Kulcs", (message_key,)).fetchall()
        # Parts without a type are not written.
        expected = [p for p in message_tree(rows) if p[1]]
        body = getattr(operation, direction).body
        elements = [e for _, e in body.type.elements] if body is not None else []
        here = "%s %s" % (where, direction)
        # A part written as an element reference is shown under the
        # element's name, which is the row's type.
        expected = [(e.name,) + p[1:] if e is not None and not p[2] and e.name == p[1] and e.name != p[0] else p
                    for p, e in zip(expected, elements + [None] * (len(expected) - len(elements)))]
        if [e.name for e in elements] != [p[0] for p in expected]:
            problems.append("%s: signature %r where the repository has %r"
                            % (here, [e.name for e in elements], [p[0] for p in expected]))
            continue
        for part, element in zip(expected, elements):
            compare(here, part, element, problems)
        checked += 1
    return checked, problems


def check_output_dir(encoding_schema, output_dir, files_json):
    problems = []
    checked = 0
    db = sqlite3.connect(os.path.join(output_dir, "ParadoxDB", "Interfaces.db"))
    interfaces = db.execute("select Kulcs, Name, CSVName from Interfaces order by Kulcs").fetchall()
    files = written_files(files_json)
    written = [path for path in files.values() if path]
    if len(set(written)) != len(written):
        problems.append("%s: interfaces share a file" % output_dir)
    if not interfaces:
        problems.append("%s: the repository holds no interface" % output_dir)
    for interface_key, interface_name, csv_name in interfaces:
        path = files.get((interface_name or "", csv_name or ""))
        if not path:
            problems.append("%s: no file written for interface %r (%s)" % (output_dir, interface_name, csv_name))
            continue
        try:
            client = zeep.Client(path, transport=LocalTransport(encoding_schema))
        except Exception as error:  # any failure to load is the finding
            problems.append("%s: does not load: %s: %s" % (path, type(error).__name__, error))
            continue
        bindings = list(client.wsdl.bindings.values())
        if len(bindings) != 1:
            problems.append("%s: %d bindings" % (path, len(bindings)))
            continue
        binding = bindings[0]
        services = list(client.wsdl.services.values())
        if len(services) != 1 or len(services[0].ports) != 1:
            problems.append("%s: not one service with one port" % path)
        operations = db.execute("select Kulcs, Name from Operations where UpPointer = ? order by Kulcs",
                                (interface_key,)).fetchall()
        names = sorted(set(name for _, name in operations))
        if sorted(binding._operations.keys()) != names:
            problems.append("%s: operations %r where the repository has %r"
                            % (path, sorted(binding._operations.keys()), names))
            continue
        # Of operations that share a name the client keeps one: its
        # signatures must be those of one of them.
        by_name = {}
        for key, name in operations:
            by_name.setdefault(name, []).append(key)
        for operation_name, keys in by_name.items():
            operation = binding._operations[operation_name]
            results = [check_operation(db, key, operation, "%s %s" % (os.path.basename(path), operation_name))
                       for key in keys]
            if not any(not found for _, found in results):
                problems += results[0][1]
            checked += max(count for count, _ in results)
    db.close()
    return checked, problems


def main():
    if len(sys.argv) < 4 or len(sys.argv) % 2 != 0:
        print(__doc__, file=sys.stderr)
        return 2
    encoding_schema = sys.argv[1]
    total = 0
    problems = []
    for output_dir, files_json in zip(sys.argv[2::2], sys.argv[3::2]):
        checked, found = check_output_dir(encoding_schema, output_dir, files_json)
        total += checked
        problems += found
    for p in problems:
        print(p, file=sys.stderr)
    print("%d message signatures checked, %d problems" % (total, len(problems)))
    return 1 if problems or total == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
