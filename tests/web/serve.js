// A small static file server for the particle page on localhost:
//   node serve.js DIR [PORT]
// serves DIR (build/wasm/bin) at http://127.0.0.1:PORT/ (PORT 0 or none: any
// free port, printed). The browser test starts one of its own through serve().
'use strict';
const http = require('http');
const fs = require('fs');
const path = require('path');

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
};

// Resolves to {url, close} once the server listens on 127.0.0.1.
function serve(root, port = 0) {
  const base = path.resolve(root);
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    const file = path.resolve(base, '.' + (name === '/' ? '/particles.html' : name));
    // Nothing outside the served folder, and only plain files.
    if (file !== base && !file.startsWith(base + path.sep)) {
      response.writeHead(403).end();
      return;
    }
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, {
        'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream',
        'Cache-Control': 'no-store',
      });
      response.end(data);
    });
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => {
      resolve({
        url: `http://127.0.0.1:${server.address().port}/`,
        close: () => new Promise((done) => server.close(done)),
      });
    });
  });
}

module.exports = { serve };

if (require.main === module) {
  const [root, port] = process.argv.slice(2);
  if (!root) {
    console.error('usage: node serve.js DIR [PORT]');
    process.exit(2);
  }
  serve(root, Number(port || 0)).then(({ url }) => console.log(`serving ${root} at ${url}particles.html`));
}
