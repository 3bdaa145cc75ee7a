#!/usr/bin/env python3
"""A CDDB server for the CLI comparison: answers every query with one exact match and every
read with a fixed record for the disc id it was asked about; as an AccurateRip server it knows
no disc (404). Prints its port, then serves."""
import http.server
import sys
import urllib.parse


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path.startswith("/accuraterip/"):
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        query = urllib.parse.parse_qs(urllib.parse.urlparse(self.path).query)
        words = query.get("cmd", [""])[0].split()
        if words[:2] == ["cddb", "query"]:
            body = "200 rock %s Discwright / Demo Record\r\n" % words[2]
        elif words[:2] == ["cddb", "read"]:
            body = ("210 rock %s\r\n# xmcd\r\nDISCID=%s\r\nDTITLE=Discwright / Demo Record\r\n"
                    "DYEAR=2026\r\nDGENRE=Ambient\r\nTTITLE0=Arpeggio / Part I\r\n"
                    "TTITLE1=Pentatonic: Tune?\r\nTTITLE2=Bells\r\nEXTD=\r\n.\r\n") % (words[3], words[3])
        else:
            body = "500 Unrecognized command\r\n"
        data = body.encode("latin-1")
        self.send_response(200)
        self.send_header("Content-Type", "text/plain; charset=ISO-8859-1")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
