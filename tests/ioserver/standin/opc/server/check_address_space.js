// Checks, with node-opcua's own client, that the test server holds what opcua_test_server.js and
// node_opcua_server.h document: every variable's type and value, the namespaces, which nodes take
// writes, and what each configuration offers and refuses. Starts each configuration itself on
// 127.0.0.1 and stops it. Run from the folder the server was installed into; exits with 0 when
// everything holds, 1 (saying what did not) otherwise.
"use strict";

const { Console } = require("console");
const quietConsole = new Console({ stdout: process.stderr, stderr: process.stderr });
for (const method of Object.keys(quietConsole)) console[method] = quietConsole[method];

const assert = require("assert/strict");
const childProcess = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");
const opcua = require("node-opcua-client");
const { OPCUACertificateManager } = require("node-opcua-certificate-manager");

const overallLimitMs = 280000;
const startLimitMs = 90000;
const user = { userName: "operator", password: "rozovevi" };

// The table of the server's variables, each value in the text form the OPC: client prints.
const variables = [
  ["ns=3;s=Boolean", "Boolean", "true"],
  ["ns=3;s=SByte", "SByte", "-100"],
  ["ns=3;s=Byte", "Byte", "200"],
  ["ns=3;s=Int16", "Int16", "-30000"],
  ["ns=3;s=UInt16", "UInt16", "60000"],
  ["ns=3;s=Int32", "Int32", "-2000000000"],
  ["ns=3;s=UInt32", "UInt32", "4000000000"],
  ["ns=3;s=Int64", "Int64", "-9000000000000000000"],
  ["ns=3;s=UInt64", "UInt64", "18000000000000000000"],
  ["ns=3;s=Float", "Float", "0.1"],
  ["ns=3;s=Double", "Double", "-1234.5678"],
  ["ns=3;s=String", "String", "Grüße aus Halle 4"],
  ["ns=3;s=NullString", "String", ""],
  ["ns=3;s=XmlElement", "XmlElement", '<a b="1">x</a>'],
  ["ns=3;s=LocalizedText", "LocalizedText", "de|Ofen 2"],
  ["ns=3;s=QualifiedName", "QualifiedName", "3:Speed"],
  ["ns=3;s=DateTime", "DateTime", "2026-12-09T01:02:03.500Z"],
  ["ns=3;s=Guid", "Guid", "72962B91-FA75-4AE6-8D28-B404DC7DAF63"],
  ["ns=3;s=ByteString", "ByteString", "AAEC/w=="],
  ["ns=3;s=NodeId", "NodeId", "ns=3;s=Oven.Temp"],
  ["ns=3;s=ExpandedNodeId", "ExpandedNodeId", "nsu=urn:rozovevi:test;i=42"],
  ["ns=3;s=StatusCode", "StatusCode", "BadOutOfRange"],
  ["ns=3;s=Empty", "Null", ""],
  ["ns=3;s=ReadOnly", "Int32", "42"],
  ["ns=3;s=DoubleArray", "Double", "[0,0.5,1,1.5,2,2.5,3,3.5,4,4.5,5,5.5]"],
  ["ns=3;s=Structure", "ExtensionObject", "Range 0..100"],
  ["ns=3;s=Enumeration", "Int32", "0"],
  ["ns=3;s=Duration", "Double", "250.5"],
  ['ns=3;s=Line 4/Oven "A";Zone #1', "Double", "21.5"],
  ['ns=3;s="Motor"."Speed"', "Int16", "1500"],
  ["ns=3;i=1001", "Double", "12.5"],
  ["ns=3;i=4294967295", "Boolean", "false"],
  ["ns=3;g=09087E75-8E5E-499B-954F-F2A9603DB28A", "Int32", "7"],
  ["ns=3;b=cm96b3Zldmk=", "Int32", "8"],
  ["ns=2;s=Int32", "Int32", "-1"],
];
// The DataType attribute of the nodes whose type is not the value's built-in type.
const dataTypes = [
  ["ns=3;s=Enumeration", "ns=0;i=852"], // ServerState
  ["ns=3;s=Duration", "ns=0;i=290"],
  ["ns=3;s=Structure", "ns=0;i=884"], // Range
  ["ns=3;s=Empty", "ns=0;i=24"], // BaseDataType
];

function asText(variant) {
  const v = variant.value;
  const D = opcua.DataType;
  if (variant.arrayType !== opcua.VariantArrayType.Scalar) return JSON.stringify(Array.from(v));
  switch (variant.dataType) {
    case D.Null:
      return "";
    case D.Int64:
    case D.UInt64: {
      const bits = (BigInt(v[0]) << 32n) | BigInt(v[1]);
      return String(variant.dataType === D.Int64 ? BigInt.asIntN(64, bits) : bits);
    }
    case D.Float: // The shortest text that reads back as the same Float.
      for (let digits = 1; ; ++digits) {
        const shortest = Number(v.toPrecision(digits));
        if (Math.fround(shortest) === v || digits === 9) return String(shortest);
      }
    case D.String:
      return v === null ? "" : v;
    case D.LocalizedText:
      return `${v.locale}|${v.text}`;
    case D.QualifiedName:
      return `${v.namespaceIndex}:${v.name}`;
    case D.DateTime:
      return v.toISOString();
    case D.ByteString:
      return v.toString("base64");
    case D.NodeId:
      return v.toString();
    case D.ExpandedNodeId:
      return `nsu=${v.namespaceUri};i=${v.value}`;
    case D.StatusCode:
      return v.name;
    case D.ExtensionObject:
      return `${v.constructor.name} ${v.low}..${v.high}`;
    default:
      return String(v);
  }
}

function startServer(folder, configuration) {
  const child = childProcess.spawn(
    process.execPath,
    [path.join(__dirname, "opcua_test_server.js"), "--host", "127.0.0.1", "--port", "0",
      "--config", configuration, "--pki", path.join(folder, configuration)],
    { stdio: ["pipe", "pipe", "inherit"] });
  const port = new Promise((resolve, reject) => {
    let output = "";
    const timer = setTimeout(() => reject(new Error(`${configuration} did not start`)), startLimitMs);
    child.stdout.on("data", (chunk) => {
      output += chunk;
      if (output.includes("\n")) {
        clearTimeout(timer);
        resolve(Number(output.trim()));
      }
    });
    child.on("exit", (status) => reject(new Error(`${configuration} ended with ${status}`)));
  });
  return { child, port };
}

function makeClient(folder, securityMode, securityPolicy) {
  return opcua.OPCUAClient.create({
    endpointMustExist: false,
    securityMode,
    securityPolicy,
    connectionStrategy: { maxRetry: 0 },
    clientCertificateManager: new OPCUACertificateManager({
      rootFolder: path.join(folder, "client"),
      automaticallyAcceptUnknownCertificate: true,
    }),
  });
}

async function withServer(folder, configuration, check) {
  const server = startServer(folder, configuration);
  try {
    const url = `opc.tcp://127.0.0.1:${await server.port}`;
    await check(url);
  } finally {
    const ended = new Promise((resolve) => {
      if (server.child.exitCode !== null || server.child.signalCode !== null) resolve();
      else server.child.once("exit", resolve);
    });
    server.child.stdin.end(); // The server ends with its input.
    await ended;
  }
}

async function checkNormal(folder) {
  await withServer(folder, "normal", async (url) => {
    const client = makeClient(folder, opcua.MessageSecurityMode.None, opcua.SecurityPolicy.None);
    await client.connect(url);
    const session = await client.createSession();
    try {
      const namespaces = (await session.read({ nodeId: "i=2255", attributeId: 13 })).value.value;
      assert.equal(namespaces[2], "urn:rozovevi:other");
      assert.equal(namespaces[3], "urn:rozovevi:test");
      for (const [nodeId, type, text] of variables) {
        const dataValue = await session.read({ nodeId, attributeId: opcua.AttributeIds.Value });
        assert.ok(dataValue.statusCode.isGood(), `${nodeId}: ${dataValue.statusCode}`);
        assert.equal(opcua.DataType[dataValue.value.dataType], type, nodeId);
        assert.equal(asText(dataValue.value), text, nodeId);
      }
      for (const [nodeId, dataType] of dataTypes) {
        const dataValue = await session.read({ nodeId, attributeId: opcua.AttributeIds.DataType });
        assert.equal(dataValue.value.value.toString(), dataType, nodeId);
      }
      const write = (nodeId, dataType, value) =>
        session.write({ nodeId, attributeId: opcua.AttributeIds.Value, value: { value: { dataType, value } } });
      assert.equal((await write("ns=3;s=ReadOnly", opcua.DataType.Int32, 1)).name, "BadNotWritable");
      assert.equal((await write("ns=3;s=Int16", opcua.DataType.Int16, 7)).name, "Good");
      const back = await session.read({ nodeId: "ns=3;s=Int16", attributeId: opcua.AttributeIds.Value });
      assert.equal(back.value.value, 7, "a write is kept");
    } finally {
      await session.close();
      await client.disconnect();
    }
  });
}

// What the server lists on an unsecured channel, as the OPC: client asks for it.
async function endpointsOf(folder, url) {
  const client = makeClient(folder, opcua.MessageSecurityMode.None, opcua.SecurityPolicy.None);
  await client.connect(url);
  try {
    return await client.getEndpoints();
  } finally {
    await client.disconnect();
  }
}

// node-opcua refuses an unsecured channel outright (an Error message, BadSecurityPolicyRejected),
// GetEndpoints included; its own client cannot then find the server's certificate either, so
// the secured endpoint is not tried here.
async function checkSecureOnly(folder) {
  await withServer(folder, "secure-only", async (url) => {
    await assert.rejects(endpointsOf(folder, url), "an unsecured channel is refused");
  });
}

async function checkUsersOnly(folder) {
  await withServer(folder, "users-only", async (url) => {
    const endpoints = await endpointsOf(folder, url);
    const none = endpoints.filter((e) => e.securityPolicyUri === opcua.SecurityPolicy.None);
    assert.ok(none.length > 0, "a None endpoint");
    for (const endpoint of endpoints) {
      const types = endpoint.userIdentityTokens.map((token) => token.tokenType);
      assert.ok(!types.includes(opcua.UserTokenType.Anonymous), "no anonymous token offered");
      assert.ok(types.includes(opcua.UserTokenType.UserName), "user names offered");
    }
    const client = makeClient(folder, opcua.MessageSecurityMode.None, opcua.SecurityPolicy.None);
    await client.connect(url);
    try {
      await assert.rejects(client.createSession(), "an anonymous session is refused");
      const session = await client.createSession({ type: opcua.UserTokenType.UserName, ...user });
      const dataValue = await session.read({ nodeId: "ns=3;i=1001", attributeId: 13 });
      assert.equal(dataValue.value.value, 12.5);
      await session.close();
    } finally {
      await client.disconnect();
    }
  });
}

async function main() {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), "rozovevi-opcua-check-"));
  try {
    await checkNormal(folder);
    await checkSecureOnly(folder);
    await checkUsersOnly(folder);
  } finally {
    fs.rmSync(folder, { recursive: true, force: true });
  }
}

setTimeout(() => {
  process.stderr.write(`check_address_space: not done within ${overallLimitMs / 1000} s\n`);
  process.exit(1);
}, overallLimitMs).unref();
main().then(
  () => {
    process.stdout.write("the test server holds and refuses what its table says\n");
    process.exit(0);
  },
  (error) => {
    process.stderr.write(`check_address_space: ${error.stack || error}\n`);
    process.exit(1);
  },
);
