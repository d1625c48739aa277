#!/usr/bin/env python3
# Serves the web build on this machine with the headers the page wants: cross-origin isolation
# (COOP/COEP) for the device's worker threads, and WebAssembly's MIME type. --no-isolation serves
# it as a plain host would, and the page then draws on its own thread. Only requests for this
# machine's own names on its port are answered (127.0.0.1 or localhost): a page elsewhere cannot
# reach it through a name of its own that resolves here.
#   serve.py DIR PORT [--no-isolation]     (PORT 0: a free one; the address is printed)
import functools
import http.server
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    isolated = True
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      '.wasm': 'application/wasm', '.js': 'text/javascript',
                      '.mp3': 'audio/mpeg', '.3ds': 'application/octet-stream'}

    def parse_request(self):
        if not super().parse_request():
            return False
        host = self.headers.get('Host')
        port = self.server.server_address[1]
        if host is None:
            self.send_error(400, 'No Host')
            return False
        if host not in (f'127.0.0.1:{port}', f'localhost:{port}'):
            self.send_error(421, 'Not this host')
            return False
        return True

    def end_headers(self):
        if self.isolated:
            self.send_header('Cross-Origin-Opener-Policy', 'same-origin')
            self.send_header('Cross-Origin-Embedder-Policy', 'require-corp')
            self.send_header('Cross-Origin-Resource-Policy', 'same-origin')
        self.send_header('Cache-Control', 'no-cache')
        super().end_headers()

    def log_message(self, format, *args):
        pass


def main():
    root, port = sys.argv[1], int(sys.argv[2])
    Handler.isolated = '--no-isolation' not in sys.argv[3:]
    handler = functools.partial(Handler, directory=root)
    with http.server.ThreadingHTTPServer(('127.0.0.1', port), handler) as server:
        print(f'serving {root} at http://127.0.0.1:{server.server_address[1]}/', flush=True)
        server.serve_forever()


if __name__ == '__main__':
    main()
