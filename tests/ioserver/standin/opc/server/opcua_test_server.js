// The OPC UA server that the OPC: tests and the benchmark start on loopback: node-opcua, with a
// known set of variables in the namespace "urn:rozovevi:test".
//
// Usage: node opcua_test_server.js --host 127.0.0.1|::1 --port N --config NAME --pki DIR
//                                  [--lifetime SECONDS]
//   --port 0 takes a free port. Once the server listens it prints that port, alone on one
//   line, on standard output, and nothing else goes there (messages go to standard error).
//   --config normal      endpoints None (anonymous or user name) and Basic256Sha256
//                        Sign&Encrypt; anonymous access allowed
//            secure-only only a Basic256Sha256 Sign&Encrypt endpoint; an unsecured
//                        OpenSecureChannel is refused with an Error message
//                        (BadSecurityPolicyRejected), GetEndpoints included
//            users-only  None and Basic256Sha256 Sign&Encrypt endpoints, user names only
//                        (no anonymous token is offered or accepted)
//   --pki DIR            where the server keeps its certificate and key (made on first use)
//   --lifetime SECONDS   the longest the server runs (default 1800), whatever else happens
// It stops at once on SIGTERM or SIGINT, when its standard input closes, or at its lifetime,
// so that it never outlives a test that crashed. Exit status: 0 stopped as asked, 2 bad
// arguments, 3 could not start.
//
// The user name that the users-only configuration accepts: "operator", password "rozovevi".
//
// The namespace "urn:rozovevi:test" is index 3. Index 2 is "urn:rozovevi:other", which holds one
// variable with the same identifier as one of ours but another value, so a client that takes
// the wrong namespace reads the wrong value. Every variable below is writable (a write changes
// the value that later reads return, for the life of the server) but "ReadOnly".
//
// | Node id (ns=3 unless given)                | DataType                | Value                      |
// |--------------------------------------------|-------------------------|----------------------------|
// | s=Boolean                                  | Boolean                 | true                       |
// | s=SByte                                    | SByte                   | -100                       |
// | s=Byte                                     | Byte                    | 200                        |
// | s=Int16                                    | Int16                   | -30000                     |
// | s=UInt16                                   | UInt16                  | 60000                      |
// | s=Int32                                    | Int32                   | -2000000000                |
// | s=UInt32                                   | UInt32                  | 4000000000                 |
// | s=Int64                                    | Int64                   | -9000000000000000000       |
// | s=UInt64                                   | UInt64                  | 18000000000000000000       |
// | s=Float                                    | Float                   | 0.1 (as a Float)           |
// | s=Double                                   | Double                  | -1234.5678                 |
// | s=String                                   | String                  | Grüße aus Halle 4          |
// | s=NullString                               | String                  | null                       |
// | s=XmlElement                               | XmlElement              | <a b="1">x</a>             |
// | s=LocalizedText                            | LocalizedText           | locale "de", "Ofen 2"      |
// | s=QualifiedName                            | QualifiedName           | 3:Speed                    |
// | s=DateTime                                 | DateTime                | 2026-12-09T01:02:03.5Z     |
// | s=Guid                                     | Guid                    | 72962B91-FA75-4AE6-8D28-B404DC7DAF63 |
// | s=ByteString                               | ByteString              | 00 01 02 FF (AAEC/w==)     |
// | s=NodeId                                   | NodeId                  | ns=3;s=Oven.Temp           |
// | s=ExpandedNodeId                           | ExpandedNodeId          | nsu=urn:rozovevi:test;i=42 |
// | s=StatusCode                               | StatusCode              | BadOutOfRange (0x803C0000) |
// | s=Empty                                    | BaseDataType            | empty (Null variant)       |
// | s=ReadOnly                                 | Int32, read only        | 42                         |
// | s=DoubleArray                              | Double[12]              | 0, 0.5, 1, ... 5.5         |
// | s=Structure                                | Range (ExtensionObject) | low 0, high 100            |
// | s=Enumeration                              | ServerState (Int32)     | 0 (Running)                |
// | s=Duration                                 | Duration (Double)       | 250.5                      |
// | s=Line 4/Oven "A";Zone #1                  | Double                  | 21.5                       |
// | s="Motor"."Speed"                          | Int16                   | 1500                       |
// | i=1001                                     | Double                  | 12.5                       |
// | i=4294967295                               | Boolean                 | false                      |
// | g=09087E75-8E5E-499B-954F-F2A9603DB28A     | Int32                   | 7                          |
// | b=cm96b3Zldmk= (the bytes "rozovevi")      | Int32                   | 8                          |
// | ns=2;s=Int32 (urn:rozovevi:other)          | Int32                   | -1                         |
"use strict";

// node-opcua logs its warnings with console.log: everything but the port line goes to standard
// error, so that a reader of standard output sees one line.
const { Console } = require("console");
const quietConsole = new Console({ stdout: process.stderr, stderr: process.stderr });
for (const method of Object.keys(quietConsole)) console[method] = quietConsole[method];

const net = require("net");
const opcua = require("node-opcua");

const ourNamespaceUri = "urn:rozovevi:test";
const otherNamespaceUri = "urn:rozovevi:other";
const ourNamespaceIndex = 3;
const testUser = { name: "operator", password: "rozovevi" };
const defaultLifetimeSeconds = 1800;
const portProbeTries = 20; // a free port found, then taken by someone else before we listen
const exitStatus = { stopped: 0, usage: 2, startFailed: 3 };

const configurations = {
  normal: {
    securityPolicies: [opcua.SecurityPolicy.None, opcua.SecurityPolicy.Basic256Sha256],
    securityModes: [opcua.MessageSecurityMode.None, opcua.MessageSecurityMode.SignAndEncrypt],
    allowAnonymous: true,
  },
  "secure-only": {
    securityPolicies: [opcua.SecurityPolicy.Basic256Sha256],
    securityModes: [opcua.MessageSecurityMode.SignAndEncrypt],
    allowAnonymous: true,
  },
  "users-only": {
    securityPolicies: [opcua.SecurityPolicy.None, opcua.SecurityPolicy.Basic256Sha256],
    securityModes: [opcua.MessageSecurityMode.None, opcua.MessageSecurityMode.SignAndEncrypt],
    allowAnonymous: false,
  },
};

function fail(status, message) {
  process.stderr.write(`opcua_test_server: ${message}\n`);
  process.exit(status);
}

function parseArguments(argv) {
  const options = { lifetime: defaultLifetimeSeconds };
  for (let i = 0; i < argv.length; i += 2) {
    const name = argv[i];
    const value = argv[i + 1];
    if (value === undefined) fail(exitStatus.usage, `${name} needs a value`);
    if (name === "--host") options.host = value;
    else if (name === "--port") options.port = Number(value);
    else if (name === "--config") options.config = value;
    else if (name === "--pki") options.pki = value;
    else if (name === "--lifetime") options.lifetime = Number(value);
    else fail(exitStatus.usage, `unknown option ${name}`);
  }
  if (options.host !== "127.0.0.1" && options.host !== "::1") {
    fail(exitStatus.usage, "--host must be 127.0.0.1 or ::1 (the tests stay on loopback)");
  }
  if (!Number.isInteger(options.port) || options.port < 0 || options.port > 65535) {
    fail(exitStatus.usage, "--port must be 0-65535");
  }
  if (!(options.config in configurations)) {
    fail(exitStatus.usage, `--config must be one of ${Object.keys(configurations).join(", ")}`);
  }
  if (!options.pki) fail(exitStatus.usage, "--pki DIR is needed");
  if (!(options.lifetime > 0)) fail(exitStatus.usage, "--lifetime must be a positive number");
  return options;
}

// A port that was free a moment ago on the host: the server takes a port it is given, and writes
// it into its endpoint URLs, so 0 cannot be passed through.
function freePort(host) {
  return new Promise((resolve, reject) => {
    const probe = net.createServer();
    probe.once("error", reject);
    probe.listen({ host, port: 0, exclusive: true }, () => {
      const { port } = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

function variant(dataType, value, arrayType = opcua.VariantArrayType.Scalar) {
  return new opcua.Variant({ dataType, value, arrayType });
}

function int64Halves(value) {
  const bits = BigInt.asUintN(64, value);
  return [Number(bits >> 32n), Number(bits & 0xffffffffn)];
}

// Every variable of the table above, as [identifier, DataType node, Variant, writable].
function variables() {
  const D = opcua.DataType;
  const doubles = new Float64Array(12).map((_, i) => i * 0.5);
  const rozovevi = Buffer.from("rozovevi", "ascii");
  return [
    ["Boolean", "Boolean", variant(D.Boolean, true)],
    ["SByte", "SByte", variant(D.SByte, -100)],
    ["Byte", "Byte", variant(D.Byte, 200)],
    ["Int16", "Int16", variant(D.Int16, -30000)],
    ["UInt16", "UInt16", variant(D.UInt16, 60000)],
    ["Int32", "Int32", variant(D.Int32, -2000000000)],
    ["UInt32", "UInt32", variant(D.UInt32, 4000000000)],
    // node-opcua holds 64-bit integers as [high, low] 32-bit halves of the two's complement.
    ["Int64", "Int64", variant(D.Int64, int64Halves(-9000000000000000000n))],
    ["UInt64", "UInt64", variant(D.UInt64, int64Halves(18000000000000000000n))],
    ["Float", "Float", variant(D.Float, 0.1)],
    ["Double", "Double", variant(D.Double, -1234.5678)],
    ["String", "String", variant(D.String, "Grüße aus Halle 4")],
    ["NullString", "String", variant(D.String, null)],
    ["XmlElement", "XmlElement", variant(D.XmlElement, '<a b="1">x</a>')],
    ["LocalizedText", "LocalizedText",
      variant(D.LocalizedText, new opcua.LocalizedText({ locale: "de", text: "Ofen 2" }))],
    ["QualifiedName", "QualifiedName",
      variant(D.QualifiedName, new opcua.QualifiedName({ namespaceIndex: ourNamespaceIndex, name: "Speed" }))],
    ["DateTime", "DateTime", variant(D.DateTime, new Date(Date.UTC(2026, 11, 9, 1, 2, 3, 500)))],
    ["Guid", "Guid", variant(D.Guid, "72962B91-FA75-4AE6-8D28-B404DC7DAF63")],
    ["ByteString", "ByteString", variant(D.ByteString, Buffer.from([0x00, 0x01, 0x02, 0xff]))],
    ["NodeId", "NodeId", variant(D.NodeId, opcua.coerceNodeId(`ns=${ourNamespaceIndex};s=Oven.Temp`))],
    ["ExpandedNodeId", "ExpandedNodeId",
      variant(D.ExpandedNodeId, new opcua.ExpandedNodeId(opcua.NodeIdType.NUMERIC, 42, 0, ourNamespaceUri))],
    ["StatusCode", "StatusCode", variant(D.StatusCode, opcua.StatusCodes.BadOutOfRange)],
    ["Empty", "BaseDataType", variant(D.Null, null)],
    ["ReadOnly", "Int32", variant(D.Int32, 42), false],
    ["DoubleArray", "Double", variant(D.Double, doubles, opcua.VariantArrayType.Array)],
    ["Structure", "Range", variant(D.ExtensionObject, new opcua.Range({ low: 0, high: 100 }))],
    ["Enumeration", "ServerState", variant(D.Int32, opcua.ServerState.Running)],
    ["Duration", "Duration", variant(D.Double, 250.5)],
    ['Line 4/Oven "A";Zone #1', "Double", variant(D.Double, 21.5)],
    ['"Motor"."Speed"', "Int16", variant(D.Int16, 1500)],
    [1001, "Double", variant(D.Double, 12.5)],
    [4294967295, "Boolean", variant(D.Boolean, false)],
    [{ guid: "09087E75-8E5E-499B-954F-F2A9603DB28A" }, "Int32", variant(D.Int32, 7)],
    [{ opaque: rozovevi }, "Int32", variant(D.Int32, 8)],
  ];
}

function nodeIdIn(namespaceIndex, identifier) {
  const N = opcua.NodeIdType;
  if (typeof identifier === "number") return new opcua.NodeId(N.NUMERIC, identifier, namespaceIndex);
  if (typeof identifier === "string") return new opcua.NodeId(N.STRING, identifier, namespaceIndex);
  if (identifier.guid) return new opcua.NodeId(N.GUID, identifier.guid, namespaceIndex);
  return new opcua.NodeId(N.BYTESTRING, identifier.opaque, namespaceIndex);
}

function addVariable(namespace, folder, identifier, dataType, value, writable = true) {
  const access = writable ? "CurrentRead | CurrentWrite" : "CurrentRead";
  const isArray = value.arrayType === opcua.VariantArrayType.Array;
  namespace.addVariable({
    componentOf: folder,
    nodeId: nodeIdIn(namespace.index, identifier),
    browseName: String(typeof identifier === "object" ? (identifier.guid || "Opaque") : identifier),
    dataType,
    valueRank: isArray ? 1 : -1,
    arrayDimensions: isArray ? [value.value.length] : null,
    accessLevel: access,
    userAccessLevel: access,
    value,
  });
}

function buildAddressSpace(server) {
  const addressSpace = server.engine.addressSpace;
  const other = addressSpace.registerNamespace(otherNamespaceUri);
  const ours = addressSpace.registerNamespace(ourNamespaceUri);
  if (ours.index !== ourNamespaceIndex) {
    throw new Error(`${ourNamespaceUri} got index ${ours.index}, not ${ourNamespaceIndex}`);
  }
  const objects = addressSpace.rootFolder.objects;
  const folder = ours.addFolder(objects, { browseName: "RozoveviTest" });
  for (const [identifier, dataType, value, writable] of variables()) {
    addVariable(ours, folder, identifier, dataType, value, writable);
  }
  const otherFolder = other.addFolder(objects, { browseName: "RozoveviOther" });
  addVariable(other, otherFolder, "Int32", "Int32", variant(opcua.DataType.Int32, -1));
}

async function start(options) {
  const configuration = configurations[options.config];
  const certificateManager = new opcua.OPCUACertificateManager({
    rootFolder: options.pki,
    automaticallyAcceptUnknownCertificate: true,
  });
  const urlHost = options.host.includes(":") ? `[${options.host}]` : options.host;
  for (let attempt = 1; ; ++attempt) {
    const port = options.port === 0 ? await freePort(options.host) : options.port;
    const server = new opcua.OPCUAServer({
      host: options.host,
      hostname: urlHost,
      port,
      serverCertificateManager: certificateManager,
      userManager: {
        isValidUser: (name, password) => name === testUser.name && password === testUser.password,
      },
      ...configuration,
      disableDiscovery: true,
      serverInfo: { applicationUri: "urn:rozovevi:test-server", productUri: "urn:rozovevi:test-server" },
      buildInfo: { productName: "ROZoveVI test server", manufacturerName: "ROZoveVI tests" },
    });
    await server.initialize();
    buildAddressSpace(server);
    try {
      await server.start();
      return port;
    } catch (error) {
      const taken = error && (error.code === "EADDRINUSE" || /EADDRINUSE/.test(String(error)));
      if (!taken || options.port !== 0 || attempt >= portProbeTries) throw error;
      await server.shutdown(0).catch(() => {});
    }
  }
}

function stopNow() {
  process.exit(exitStatus.stopped);
}

const options = parseArguments(process.argv.slice(2));
process.on("SIGTERM", stopNow);
process.on("SIGINT", stopNow);
process.stdin.on("end", stopNow);
process.stdin.on("close", stopNow);
process.stdin.on("error", stopNow);
process.stdin.resume();
setTimeout(stopNow, options.lifetime * 1000).unref();

start(options).then(
  (port) => process.stdout.write(`${port}\n`),
  (error) => fail(exitStatus.startFailed, `cannot start: ${error && error.stack ? error.stack : error}`),
);
