// Runs the Khronos glTF validator on each file named on the command line and prints one
// JSON line per file: {"file", "errors", "warnings", "messages": [...]}.
// Usage: node validate_gltf.js VALIDATOR_MODULE_DIR FILE...
const fs = require('fs');
const path = require('path');
const validator = require(path.resolve(process.argv[2]));

(async () => {
	for (const file of process.argv.slice(3)) {
		const report = await validator.validateBytes(new Uint8Array(fs.readFileSync(file)), {
			maxIssues: 100,
		});
		const issues = report.issues;
		console.log(JSON.stringify({
			file: path.basename(file),
			errors: issues.numErrors,
			warnings: issues.numWarnings,
			messages: issues.messages.filter((m) => m.severity <= 1),
			infos: issues.messages.filter((m) => m.severity > 1).map((m) => m.code + ' ' + (m.pointer || '')),
		}));
	}
})().catch((e) => {
	console.error(e);
	process.exit(1);
});
