   /* ---- progress bar "process/popup/small": a spinning arc ---- */
   group { name: "elm/progressbar/horizontal/process/popup/small";
      parts {
         part { name: "track"; type: IMAGE; mouse_events: 0;
            description { state: "default" 0.0;
               min: 56 56; max: 56 56;
               image.normal: "theme_ring.png";
               color: 60 66 78 255;
            }
         }
         part { name: "spin"; type: IMAGE; mouse_events: 0;
            description { state: "default" 0.0;
               rel.to: "track";
               image.normal: "theme_spinner.png";
               color: C_ACCENT;
               map { on: 1; smooth: 1; rotation.z: 0; }
            }
            description { state: "turned" 0.0;
               inherit: "default" 0.0;
               map.rotation.z: 360;
            }
         }
         part { name: "spinner"; type: SPACER;
            description { state: "default" 0.0; rel.to: "track"; }
         }
         part { name: "elm.cur.progressbar"; type: SPACER;
            dragable { x: 1 1 0; y: 0 0 0; confine: "track"; }
            description { state: "default" 0.0; min: 1 1; rel.to: "track"; }
         }
         part { name: "elm.background.progressbar"; type: SPACER;
            description { state: "default" 0.0; rel.to: "track"; }
         }
         part { name: "elm.swallow.bar"; type: SWALLOW;
            description { state: "default" 0.0; visible: 0; rel.to: "track"; }
         }
         part { name: "elm.text.status"; type: TEXT; mouse_events: 0;
            description { state: "default" 0.0; visible: 0; rel.to: "track"; }
         }
      }
      programs {
         program { name: "spin_begin";
            signal: "elm,state,pulse,start"; source: "elm";
            action: STATE_SET "default" 0.0; target: "spin";
            after: "spin_run";
         }
         program { name: "spin_run";
            action: STATE_SET "turned" 0.0; target: "spin";
            transition: LINEAR 0.9;
            after: "spin_begin";
         }
         program { signal: "elm,state,pulse,stop"; source: "elm";
            action: ACTION_STOP; target: "spin_run";
         }
      }
   }

   /* What the default and the sliding label have under their text. */
#define LABEL_CLIP_AND_BACKGROUND \
         part { name: "label.text.clip"; type: RECT; \
            description { state: "default" 0.0; } \
         } \
         part { name: "elm.swallow.background"; type: SWALLOW; clip_to: "label.text.clip"; \
            description { state: "default" 0.0; } \
         }

   /* ---- label "default": every label starts in this style, even one
    * that takes another at once, and loads its face then. The window's bold
    * face is loaded already; a face of its own cost each start a font lookup.
    * A wrapped label is laid out to its width, not to its text's. ---- */
   group { name: "elm/label/base/default";
      styles {
         style { name: "circle_label_style";
            base: "font="FONT_BOLD" font_size=10 align=center color=#ffffff";
            tag: "br" "\n";
         }
      }
      parts {
         LABEL_CLIP_AND_BACKGROUND
         part { name: "elm.text"; type: TEXTBLOCK; clip_to: "label.text.clip"; mouse_events: 0;
            scale: 1;
            description { state: "default" 0.0;
               text { style: "circle_label_style"; min: 1 1; }
            }
            description { state: "horizontal_fixed" 0.0;
               inherit: "default" 0.0;
               fixed: 1 0;
               text.min: 0 1;
            }
         }
      }
      programs {
         program { signal: "elm,state,horizontal,fixed"; source: "elm";
            action: STATE_SET "horizontal_fixed" 0.0;
            target: "elm.text";
         }
         program { signal: "elm,state,horizontal,expandable"; source: "elm";
            action: STATE_SET "default" 0.0;
            target: "elm.text";
         }
      }
   }

   /* ---- label "slide_roll": a title that slides when it does not fit ---- */
   group { name: "elm/label/base/slide_roll";
      script {
         public g_duration, g_stop, g_timer_id, g_anim_id;
         public message(Msg_Type:type, id, ...) {
            if ((type == MSG_FLOAT_SET) && (id == 0)) set_float(g_duration, getfarg(2));
         }
         public slide_anim(val, Float:pos) {
            if (get_int(g_stop) == 1) return;
            set_tween_state(PART:"elm.text", pos, "slide_begin", 0.0, "slide_end", 0.0);
            if (pos >= 1.0) {
               set_int(g_timer_id, timer(1.0, "slide_restart", 1));
               emit("elm,state,slide,end", "elm");
            }
         }
         public slide_restart() {
            if (get_int(g_stop) == 1) return;
            set_state(PART:"elm.text", "slide_begin", 0.0);
            new Float:d = get_float(g_duration);
            if (d <= 0.0) d = 4.0;
            set_int(g_anim_id, anim(d, "slide_anim", 1));
         }
      }
      styles {
         style { name: "slide_roll_style";
            base: "font="FONT_BOLD" font_size=28 align=center color=#ffffff";
            tag: "br" "\n";
         }
      }
      parts {
         LABEL_CLIP_AND_BACKGROUND
         part { name: "elm.text"; type: TEXTBLOCK; clip_to: "label.text.clip"; mouse_events: 0;
            description { state: "default" 0.0;
               text { style: "slide_roll_style"; min: 0 1; }
            }
            description { state: "slide_begin" 0.0;
               inherit: "default" 0.0;
               rel1.relative: 0.0 0.0; rel2.relative: 0.0 1.0;
               align: 0.0 0.5; fixed: 1 0;
               text { style: "slide_roll_style"; min: 1 1; ellipsis: -1; }
            }
            description { state: "slide_end" 0.0;
               inherit: "default" 0.0;
               rel1.relative: 1.0 0.0; rel2.relative: 1.0 1.0;
               align: 1.0 0.5; fixed: 1 0;
               text { style: "slide_roll_style"; min: 1 1; ellipsis: -1; }
            }
         }
      }
      programs {
         program { signal: "elm,state,slide,start"; source: "elm";
            script {
               set_int(g_stop, 0);
               slide_restart();
            }
         }
         program { signal: "elm,state,slide,stop"; source: "elm";
            script {
               set_int(g_stop, 1);
               cancel_anim(get_int(g_anim_id));
               cancel_timer(get_int(g_timer_id));
               set_state(PART:"elm.text", "default", 0.0);
            }
         }
      }
   }
