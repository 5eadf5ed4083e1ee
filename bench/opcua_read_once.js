// node-opcua's own client reading one value per process, as a script would call it: connect with
// no security, anonymous session, one Read of the Value attribute, close, print the value.
// Usage: node opcua_read_once.js ENDPOINT-URL NODE-ID PKI-DIR   (NODE_PATH: the installed
// node_modules of tests/ioserver/standin/opc/server). Exits 1 if any step fails.
"use strict";

// node-opcua logs with console.log; only the value goes to standard output.
const { Console } = require("console");
const quietConsole = new Console({ stdout: process.stderr, stderr: process.stderr });
for (const method of Object.keys(quietConsole)) console[method] = quietConsole[method];

const client = require("node-opcua-client");
const { OPCUACertificateManager } = require("node-opcua-certificate-manager");

async function readOnce(endpointUrl, nodeId, pkiFolder) {
  const opcua = client.OPCUAClient.create({
    endpointMustExist: false,
    securityMode: client.MessageSecurityMode.None,
    securityPolicy: client.SecurityPolicy.None,
    connectionStrategy: { maxRetry: 0 },
    clientCertificateManager: new OPCUACertificateManager({ rootFolder: pkiFolder }),
  });
  await opcua.connect(endpointUrl);
  try {
    const session = await opcua.createSession();
    const dataValue = await session.read({ nodeId, attributeId: client.AttributeIds.Value });
    await session.close();
    if (dataValue.statusCode.isNotGood()) throw new Error(dataValue.statusCode.toString());
    return dataValue.value.value;
  } finally {
    await opcua.disconnect();
  }
}

const [endpointUrl, nodeId, pkiFolder] = process.argv.slice(2);
readOnce(endpointUrl, nodeId, pkiFolder).then(
  (value) => process.stdout.write(`${value}\n`),
  (error) => {
    process.stderr.write(`opcua_read_once: ${error.message}\n`);
    process.exit(1);
  },
);
