// Every browser test of the generated pages: node run.mjs <pages folder>.
import fs from "node:fs";
import path from "node:path";
import { pagesDir, runTests } from "./harness.mjs";

if (!fs.existsSync(path.join(pagesDir, "many", "index.html")) ||
    !fs.existsSync(path.join(pagesDir, "reports", "shop", "sales-report.html"))) process.exit(2);
await import("./store_page.test.mjs");
await import("./reports.test.mjs");
process.exit(await runTests() ? 1 : 0);
